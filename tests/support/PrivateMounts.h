#pragma once
#include <QString>

// Tests that need a real full or read-only file system mount a small tmpfs of their own.
// That needs a private mount namespace, so such a test program starts itself again inside
// one (`unshare -m` as root, `unshare -rm` for a normal user) before anything else runs.

// Call first in main(). Returns the exit code of the run inside the namespace, or -1 when
// this process is that run, or when no namespace can be made (then mountTmpfs fails with
// the reason and the tests skip).
int rerunInPrivateMountNamespace(char **argv);

// An empty tmpfs of `kilobytes` mounted on the existing folder `dir` for the life of the
// object. `error` is empty when it is mounted, else says why it is not.
class TmpfsMount
{
public:
    TmpfsMount(const QString &dir, int kilobytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount &) = delete;
    TmpfsMount &operator=(const TmpfsMount &) = delete;

    QString error;

    // Makes it read-only. Returns the empty text on success, else why not.
    QString remountReadOnly();
    // Fills it to its last byte with one file.
    void fill();

private:
    QString m_dir;
};

#define REQUIRE_MOUNT(result)                                                                                          \
    do {                                                                                                               \
        const QString why = (result);                                                                                  \
        if (!why.isEmpty())                                                                                            \
            QSKIP(qPrintable(QStringLiteral("cannot mount a test file system here: ") + why));                        \
    } while (false)
