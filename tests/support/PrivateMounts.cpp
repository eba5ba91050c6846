#include "tests/support/PrivateMounts.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Set in the run inside the namespace; holds why no namespace could be made otherwise.
constexpr const char *MarkVariable = "SETUP_PRIVATE_MOUNTS";

int runAndWait(char *const argv[])
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

int rerunInPrivateMountNamespace(char **argv)
{
    if (std::getenv(MarkVariable))
        return -1;
    // Root in the current user namespace may make a mount namespace; anyone else needs a
    // user namespace of its own first.
    const char *flags = geteuid() == 0 ? "-m" : "-rm";
    char unshare[] = "unshare";
    char trueProgram[] = "true";
    char *probe[] = {unshare, const_cast<char *>(flags), trueProgram, nullptr};
    if (runAndWait(probe) != 0) {
        setenv(MarkVariable, "unavailable", 1);
        return -1;
    }
    setenv(MarkVariable, "inside", 1);
    int count = 0;
    while (argv[count])
        ++count;
    QList<char *> args{unshare, const_cast<char *>(flags)};
    for (int i = 0; i < count; ++i)
        args << argv[i];
    args << nullptr;
    return runAndWait(args.data());
}

TmpfsMount::TmpfsMount(const QString &dir, int kilobytes) : m_dir(dir)
{
    if (QByteArray(std::getenv(MarkVariable)) != "inside") {
        error = QStringLiteral("no private mount namespace (unshare is not allowed)");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
    if (mount("none", QFile::encodeName(dir).constData(), "tmpfs", 0, options.constData()) != 0)
        error = QString::fromLocal8Bit(std::strerror(errno));
}

TmpfsMount::~TmpfsMount()
{
    // Unmounted before the test removes the folder under it.
    if (error.isEmpty())
        umount2(QFile::encodeName(m_dir).constData(), MNT_DETACH);
}

QString TmpfsMount::remountReadOnly()
{
    if (mount(nullptr, QFile::encodeName(m_dir).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

void TmpfsMount::fill()
{
    QFile filler(m_dir + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray block(1024, 'x');
    while (filler.write(block) == block.size()) {
    }
    // The last partial block.
    while (filler.write("x", 1) == 1) {
    }
}
