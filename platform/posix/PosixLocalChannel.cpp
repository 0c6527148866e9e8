#include "platform/FileOperations.h"
#include "platform/LocalChannel.h"

#include <cerrno>
#include <QFile>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// A real folder (no link) of this user's that nobody else may enter or write.
bool oursAlone(const QString& path, bool exactly0700)
{
    struct stat folder = {};
    if (::lstat(QFile::encodeName(path).constData(), &folder) != 0 || !S_ISDIR(folder.st_mode) ||
        folder.st_uid != ::getuid())
        return false;
    return exactly0700 ? (folder.st_mode & 07777) == 0700 : (folder.st_mode & 077) == 0;
}

} // namespace

LocalChannelAddress userChannelAddress(const QString& name, const QString& runtimeFolder,
                                       const QString& sharedTemporary)
{
    if (runtimeFolder.startsWith(u'/') && oursAlone(runtimeFolder, true))
        return {runtimeFolder + u'/' + name};
    const QString uid = QString::number(::getuid());
    const QString ours = sharedTemporary + u"/mirello-"_s + uid;
    // Made here or left by an earlier start; one another user made first is not ours.
    if (::mkdir(QFile::encodeName(ours).constData(), 0700) == 0 || errno == EEXIST) {
        if (oursAlone(ours, false))
            return {ours + u'/' + name};
    }
    return {u"mirello-"_s + uid + u'-' + name, true};
}

std::optional<QString> foreignChannelEnd(qintptr descriptor, ChannelEnd)
{
    uid_t uid = 0;
#ifdef SO_PEERCRED
    struct ucred peer = {};
    socklen_t size = sizeof peer;
    const bool known = ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
    uid = peer.uid;
#else
    gid_t gid = 0;
    const bool known = ::getpeereid(int(descriptor), &uid, &gid) == 0;
#endif
    if (!known)
        return u"无法确认另一端的程序属于哪个用户："_s + systemReason(errno);
    if (uid != ::getuid())
        return u"另一端是其他用户（用户号 %1）的程序"_s.arg(uid);
    return std::nullopt;
}

} // namespace mirello
