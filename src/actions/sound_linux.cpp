#include "actions/sound_linux.h"

#include "actions/sound.h"
#include "actions/soundlength.h"
#include "base/logging.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <canberra.h>
#include <dlfcn.h>

#include <condition_variable>
#include <mutex>
#include <optional>

namespace quendral {

namespace {

// The sound theme's event that stands in for a missing file, as the platform's
// default sound.
constexpr const char *defaultEvent = "bell";

// libcanberra, loaded for the first sound: most runs never play one, and the
// library with its codecs costs memory for as long as it stays mapped.
class Canberra
{
public:
    Canberra() = default;
    ~Canberra() { unload(); }
    Canberra(const Canberra &) = delete;
    Canberra &operator=(const Canberra &) = delete;

    bool load()
    {
        if (m_library)
            return true;
        m_library = ::dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!m_library) {
            qCWarning(lcSound) << "Loading libcanberra failed:" << ::dlerror();
            return false;
        }
        // Only for the log: a library without it still plays.
        error_string = reinterpret_cast<decltype(error_string)>(::dlsym(m_library, "ca_strerror"));
        if (resolve(context_create, "ca_context_create") && resolve(context_change_props, "ca_context_change_props") &&
            resolve(context_open, "ca_context_open") && resolve(context_destroy, "ca_context_destroy") &&
            resolve(context_play_full, "ca_context_play_full") && resolve(proplist_create, "ca_proplist_create") &&
            resolve(proplist_sets, "ca_proplist_sets") && resolve(proplist_destroy, "ca_proplist_destroy"))
            return true;
        qCWarning(lcSound) << "libcanberra lacks a function:" << ::dlerror();
        unload();
        return false;
    }

    void unload()
    {
        if (m_library)
            ::dlclose(m_library);
        m_library = nullptr;
        error_string = nullptr;
    }

    // libcanberra keeps its look-up cache of theme sounds (a database file held
    // open, and its lock) in globals that nothing frees: unloading it after a
    // theme sound was looked up would lose them, and a file handle, at every
    // load. From the first such look-up on, the library stays.
    static void keepLoaded()
    {
        if (void *handle = ::dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD | RTLD_NODELETE))
            ::dlclose(handle);
    }

    // libcanberra's name for an error code.
    const char *errorText(int code) const
    {
        const char *text = error_string ? error_string(code) : nullptr;
        return text ? text : "unknown error";
    }

    decltype(&::ca_context_create) context_create = nullptr;
    decltype(&::ca_context_change_props) context_change_props = nullptr;
    decltype(&::ca_context_open) context_open = nullptr;
    decltype(&::ca_context_destroy) context_destroy = nullptr;
    decltype(&::ca_context_play_full) context_play_full = nullptr;
    decltype(&::ca_proplist_create) proplist_create = nullptr;
    decltype(&::ca_proplist_sets) proplist_sets = nullptr;
    decltype(&::ca_proplist_destroy) proplist_destroy = nullptr;
    decltype(&::ca_strerror) error_string = nullptr;

private:
    template <typename Function> bool resolve(Function &function, const char *name)
    {
        function = reinterpret_cast<Function>(::dlsym(m_library, name));
        return function != nullptr;
    }

    void *m_library = nullptr;
};

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
    uint32_t sounding = 0; // the id of the sound still playing; 0: none

    // Called from libcanberra's thread, and by the worker when a sound could not
    // start. Only the first call for the awaited id counts: later ones (the ALSA
    // back-end calls twice) find another id awaited, or none.
    void end(uint32_t id)
    {
        const std::lock_guard lock(mutex);
        if (id == sounding)
            sounding = 0;
        if (id == awaited && !ended) {
            ended = true;
            finished.notify_all();
        }
    }

    static void run(const std::shared_ptr<CanberraWorker> &self, std::chrono::milliseconds idleRelease);
};

namespace {

void soundFinished(ca_context *, uint32_t id, int, void *userdata)
{
    static_cast<CanberraWorker *>(userdata)->end(id);
}

// `lastFailure` is the cause logged last: a missing server fails for every
// sound of a countdown, and is told once until it changes or opening works.
ca_context *openContext(const Canberra &ca, int &lastFailure)
{
    ca_context *context = nullptr;
    if (const int result = ca.context_create(&context); result != CA_SUCCESS) {
        qCWarning(lcSound) << "ca_context_create failed:" << result << ca.errorText(result);
        return nullptr;
    }
    ca.context_change_props(context, CA_PROP_APPLICATION_NAME, "Quendral", CA_PROP_APPLICATION_ID, "quendral", nullptr);
    if (const int result = ca.context_open(context); result != CA_SUCCESS) {
        if (result != lastFailure)
            qCWarning(lcSound) << "Opening the sound server failed:" << result << ca.errorText(result);
        lastFailure = result;
        ca.context_destroy(context);
        return nullptr;
    }
    lastFailure = CA_SUCCESS;
    return context;
}

int playOne(const Canberra &ca, ca_context *context, const CanberraWorker::Job &job, CanberraWorker *worker,
            bool fromFile)
{
    ca_proplist *props = nullptr;
    if (ca.proplist_create(&props) != CA_SUCCESS)
        return CA_ERROR_OOM;
    if (fromFile) {
        ca.proplist_sets(props, CA_PROP_MEDIA_FILENAME, job.filename.constData());
    } else {
        Canberra::keepLoaded();
        ca.proplist_sets(props, CA_PROP_EVENT_ID, defaultEvent);
    }
    // A file may change between two plays; the server must not keep a copy.
    ca.proplist_sets(props, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    const int result = ca.context_play_full(context, job.id, props, soundFinished, worker);
    ca.proplist_destroy(props);
    return result;
}

} // namespace

void CanberraWorker::run(const std::shared_ptr<CanberraWorker> &self, std::chrono::milliseconds idleRelease)
{
    Canberra ca;
    ca_context *context = nullptr;
    int lastOpenFailure = CA_SUCCESS;
    // The server connection and the library are held only while sounds come
    // close together.
    const auto release = [&] {
        if (context)
            ca.context_destroy(context);
        context = nullptr;
        ca.unload();
    };
    for (;;) {
        Job current;
        {
            std::unique_lock lock(self->mutex);
            const auto ready = [&] { return self->stop || self->job.has_value(); };
            if (!context) {
                self->wake.wait(lock, ready);
            } else if (!self->wake.wait_for(lock, idleRelease, ready)) {
                // A long sound that outlasted the caller's wait still plays.
                if (self->sounding)
                    continue;
                lock.unlock();
                release();
                continue;
            }
            if (self->stop)
                break;
            current = *self->job;
            self->job.reset();
            self->busy = true;
            self->sounding = current.id;
        }
        const auto play = [&] {
            // No server: opening fails within milliseconds, and is tried
            // afresh for the next sound, so a server started later is found.
            if (!context && ca.load())
                context = openContext(ca, lastOpenFailure);
            if (!context)
                return int(CA_ERROR_STATE);
            const bool fromFile = !current.filename.isEmpty();
            qCDebug(lcSound) << "Playing" << (fromFile ? current.filename.constData() : defaultEvent);
            int played = playOne(ca, context, current, self.get(), fromFile);
            // A format libcanberra cannot play fails at once; the default
            // sound takes its place.
            if (played != CA_SUCCESS && fromFile) {
                qCWarning(lcSound) << "Playing" << current.filename << "failed:" << played << ca.errorText(played)
                                   << "- the default sound instead";
                played = playOne(ca, context, current, self.get(), false);
            }
            if (played != CA_SUCCESS)
                qCWarning(lcSound) << "Playing the sound failed:" << played << ca.errorText(played);
            return played;
        };
        const bool kept = context != nullptr;
        int result = play();
        // A connection kept from an earlier sound fails once its server has
        // restarted since: a fresh one plays this sound.
        if (result != CA_SUCCESS && kept) {
            release();
            result = play();
        }
        // Perhaps the server went away: connect again next time.
        if (result != CA_SUCCESS)
            release();
        {
            const std::lock_guard lock(self->mutex);
            self->busy = false;
        }
        if (result != CA_SUCCESS)
            self->end(current.id);
    }
    release();
}

CanberraSoundPlayer::CanberraSoundPlayer(std::chrono::milliseconds margin, std::chrono::milliseconds idleRelease)
    : m_margin(margin)
    , m_idleRelease(idleRelease)
    , m_worker(std::make_shared<CanberraWorker>())
{
}

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    if (!m_thread.joinable())
        return;
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

    if (!m_thread.joinable())
        m_thread = std::thread(CanberraWorker::run, m_worker, m_idleRelease);
    CanberraWorker &worker = *m_worker;
    std::unique_lock lock(worker.mutex);
    if (worker.busy || worker.job) {
        qCWarning(lcSound) << "Sound skipped: the sound server has not finished with the previous one";
        return;
    }
    worker.lastId = worker.lastId == UINT32_MAX ? 1 : worker.lastId + 1;
    worker.job = CanberraWorker::Job{worker.lastId, exists ? QFile::encodeName(path) : QByteArray()};
    worker.awaited = worker.lastId;
    worker.ended = false;
    worker.wake.notify_one();
    if (!worker.finished.wait_until(lock, deadline, [&] { return worker.ended; }))
        qCDebug(lcSound) << "Stopped waiting for the sound after" << (length + m_margin).count() << "ms";
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
