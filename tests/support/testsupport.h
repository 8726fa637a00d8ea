#pragma once

#include "kit/messagebox.h"
#include "settings/appstate.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QTemporaryDir>

namespace quendral::test {

// A temporary program folder (ending in "/"), optionally with the shipped
// Languages/ files copied into it.
class ProgramFolder
{
public:
    enum class Languages { None, Shipped };
    explicit ProgramFolder(Languages languages = Languages::None);

    QString path() const; // ends in "/"
    QString file(const QString &name) const { return path() + name; }
    // Writes a file below the folder, creating subfolders.
    void write(const QString &relative, const QByteArray &data) const;

private:
    QTemporaryDir m_dir;
};

// Records the message boxes shown while it lives and answers them: with the
// queued answers first, then with `fallback`.
class MessageBoxes
{
public:
    explicit MessageBoxes(msgbox::Answer fallback = msgbox::Answer::Ok);
    ~MessageBoxes();
    MessageBoxes(const MessageBoxes &) = delete;
    MessageBoxes &operator=(const MessageBoxes &) = delete;

    void queue(msgbox::Answer answer) { m_answers.append(answer); }
    const QList<msgbox::Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    QList<msgbox::Shown> m_shown;
    QList<msgbox::Answer> m_answers;
    msgbox::Answer m_fallback;
};

// Records what is logged while it lives, and passes every message on to the
// handler before it (Qt Test's, which prints it).
class LogRecorder
{
public:
    LogRecorder();
    ~LogRecorder();
    LogRecorder(const LogRecorder &) = delete;
    LogRecorder &operator=(const LogRecorder &) = delete;

    // The warnings of `category` ("quendral.dialup"), in the order they came.
    QStringList warnings(const char *category) const;
    // Whether a warning of `category` contains `text`.
    bool warned(const char *category, const QString &text) const;

private:
    static void record(QtMsgType type, const QMessageLogContext &context, const QString &text);

    QtMessageHandler m_previous;
    mutable QMutex m_mutex; // the sound worker logs from its own thread
    QList<std::pair<QByteArray, QString>> m_warnings;
};

// A read-only view of `folder` at `mountPoint` (an empty folder), for as long
// as the object lives: a read-only bind mount in a mount namespace private to
// this test process, since file modes do not bind the superuser. ok() is false
// where the process may not mount.
class ReadOnlyView
{
public:
    ReadOnlyView(const QString &folder, const QString &mountPoint);
    ~ReadOnlyView();
    ReadOnlyView(const ReadOnlyView &) = delete;
    ReadOnlyView &operator=(const ReadOnlyView &) = delete;

    bool ok() const { return m_mounted; }

private:
    QByteArray m_mountPoint;
    bool m_mounted = false;
};

// `folder` on a disk with no room left, for as long as the object lives: a
// small tmpfs mounted over it in a mount namespace private to this test
// process, holding a copy of the folder's files and filled up by a file in
// its subfolder ".filler". makeRoom() removes that file. ok() is false where
// the process may not mount.
class FullDisk
{
public:
    explicit FullDisk(const QString &folder);
    ~FullDisk();
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    bool ok() const { return m_mounted; }
    void makeRoom() const;

private:
    QString m_folder;
    bool m_mounted = false;
};

// The source tree, for shipped data files.
QString sourceDir();
// The language files as the build ships them: the built program folder's
// Languages/, with this platform's texts.
QString shippedLanguagesDir();

} // namespace quendral::test
