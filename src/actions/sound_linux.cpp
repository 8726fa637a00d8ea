#include "actions/sound_linux.h"

#include "actions/sound.h"
#include "actions/soundlength.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <canberra.h>

#include <condition_variable>
#include <mutex>
#include <optional>

namespace quendral {

namespace {

// The sound theme's event that stands in for a missing file, as the platform's
// default sound.
constexpr const char *defaultEvent = "bell";

} // namespace

// What the window thread and the worker thread share. Also the user data of
// libcanberra's finished callback, so it must outlive the context: the worker
// holds it until it has destroyed the context.
struct CanberraWorker
{
    struct Job
    {
        uint32_t id = 0;
        QByteArray filename; // empty: the default event sound
    };

    std::mutex mutex;
    std::condition_variable wake;     // the worker: a job came, or stop
    std::condition_variable finished; // the window thread: the awaited sound ended
    std::optional<Job> job;
    bool busy = false;
    bool stop = false;
    uint32_t awaited = 0; // the id the window thread waits for; 0: none
    bool ended = false;
    uint32_t lastId = 0;

    // Called from libcanberra's thread, and by the worker when a sound could not
    // start. Only the first call for the awaited id counts: later ones (the ALSA
    // back-end calls twice) find another id awaited, or none.
    void end(uint32_t id)
    {
        const std::lock_guard lock(mutex);
        if (id == awaited && !ended) {
            ended = true;
            finished.notify_all();
        }
    }

    static void run(const std::shared_ptr<CanberraWorker> &self);
};

namespace {

void soundFinished(ca_context *, uint32_t id, int, void *userdata)
{
    static_cast<CanberraWorker *>(userdata)->end(id);
}

ca_context *openContext()
{
    ca_context *context = nullptr;
    if (ca_context_create(&context) != CA_SUCCESS)
        return nullptr;
    ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Quendral", CA_PROP_APPLICATION_ID, "quendral", nullptr);
    if (ca_context_open(context) != CA_SUCCESS) {
        ca_context_destroy(context);
        return nullptr;
    }
    return context;
}

int playOne(ca_context *context, const CanberraWorker::Job &job, CanberraWorker *worker, bool fromFile)
{
    ca_proplist *props = nullptr;
    if (ca_proplist_create(&props) != CA_SUCCESS)
        return CA_ERROR_OOM;
    if (fromFile)
        ca_proplist_sets(props, CA_PROP_MEDIA_FILENAME, job.filename.constData());
    else
        ca_proplist_sets(props, CA_PROP_EVENT_ID, defaultEvent);
    // A file may change between two plays; the server must not keep a copy.
    ca_proplist_sets(props, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    const int result = ca_context_play_full(context, job.id, props, soundFinished, worker);
    ca_proplist_destroy(props);
    return result;
}

} // namespace

void CanberraWorker::run(const std::shared_ptr<CanberraWorker> &self)
{
    ca_context *context = nullptr;
    for (;;) {
        Job current;
        {
            std::unique_lock lock(self->mutex);
            self->wake.wait(lock, [&] { return self->stop || self->job.has_value(); });
            if (self->stop)
                break;
            current = *self->job;
            self->job.reset();
            self->busy = true;
        }
        // No server: opening fails within milliseconds, and is tried afresh
        // for the next sound, so a server started later is found.
        if (!context)
            context = openContext();
        int result = CA_ERROR_STATE;
        if (context) {
            const bool fromFile = !current.filename.isEmpty();
            result = playOne(context, current, self.get(), fromFile);
            // A format libcanberra cannot play fails at once; the default
            // sound takes its place.
            if (result != CA_SUCCESS && fromFile)
                result = playOne(context, current, self.get(), false);
            if (result != CA_SUCCESS) {
                // Perhaps the server went away: connect again next time.
                ca_context_destroy(context);
                context = nullptr;
            }
        }
        {
            const std::lock_guard lock(self->mutex);
            self->busy = false;
        }
        if (result != CA_SUCCESS)
            self->end(current.id);
    }
    if (context)
        ca_context_destroy(context);
}

CanberraSoundPlayer::CanberraSoundPlayer(std::chrono::milliseconds margin)
    : m_margin(margin)
    , m_worker(std::make_shared<CanberraWorker>())
    , m_thread(CanberraWorker::run, m_worker)
{
}

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    bool stuck = false;
    {
        const std::lock_guard lock(m_worker->mutex);
        m_worker->stop = true;
        stuck = m_worker->busy;
    }
    m_worker->wake.notify_one();
    // A worker held by a frozen server is left to end on its own: it keeps
    // its share of the state, so it never touches freed memory.
    if (stuck)
        m_thread.detach();
    else
        m_thread.join();
}

void CanberraSoundPlayer::playSync(const QString &path)
{
    const bool exists = QFileInfo(path).isFile();
    const std::chrono::milliseconds length =
        (exists ? wavLength(path) : std::nullopt).value_or(CanberraSoundPlayer::unknownLength);
    const auto deadline = std::chrono::steady_clock::now() + length + m_margin;

    CanberraWorker &worker = *m_worker;
    std::unique_lock lock(worker.mutex);
    if (worker.busy || worker.job)
        return;
    worker.lastId = worker.lastId == UINT32_MAX ? 1 : worker.lastId + 1;
    worker.job = CanberraWorker::Job{worker.lastId, exists ? QFile::encodeName(path) : QByteArray()};
    worker.awaited = worker.lastId;
    worker.ended = false;
    worker.wake.notify_one();
    worker.finished.wait_until(lock, deadline, [&] { return worker.ended; });
    worker.awaited = 0;
}

void CanberraSoundPlayer::beep()
{
    QApplication::beep();
}

std::unique_ptr<SoundPlayer> makeSoundPlayer()
{
    return std::make_unique<CanberraSoundPlayer>();
}

} // namespace quendral
