#include "platform/os/remote/RemoteScript.h"

#include <QRandomGenerator>

namespace os::remote {

namespace {

// Kept small and to POSIX sh, awk, tr and head beside ss and readlink, which every Linux host
// has. Markers: "M tavren-remote 1" first, then "M ss tcp|udp" or "M netstat" before what
// those print, "M process PID START UID" with "M exe PID PATH" and "M cmdline PID ARGS" for
// each owner, "M user UID NAME" for each owner's user, and "M end" last: a listing without it
// was cut. Paths and arguments may hold any byte but NUL: line ends in them become BEL (and
// the NULs between arguments SOH), so that they stay on their line.
constexpr char Script[] = R"SH(export LC_ALL=C
PATH=/usr/sbin:/usr/bin:/sbin:/bin:$PATH
m() { printf '%s %s\n' "$n" "$*"; }
m tavren-remote 1
if [ "$r" = traffic ]; then
    m ss tcp
    ss -tni || m failed ss $?
    m end
    exit 0
fi
c=/usr/libexec/tavren-netstat/tavren-netstat-cli
# awk hands each line on as it reads it, and keeps each owner once: the listing is never held
# in a variable, which costs the shell more than ss its run.
exec 4>&1
if [ -x "$c" ]; then
    m netstat
    pids=$("$c" -o -a -n | awk '{ print | "cat >&4" } $NF ~ /^[1-9][0-9]*\r?$/ { sub(/\r$/, "", $NF); if (!s[$NF]++) print $NF }')
else
    command -v ss >/dev/null 2>&1 || { m failed ss 127; m end; exit 0; }
    a='{ print | "cat >&4" } match($0, /,pid=[0-9]+,/) { p = substr($0, RSTART + 5, RLENGTH - 6); if (!s[p]++) print p }'
    m ss tcp
    pids=$(ss -tanpie | awk "$a")
    if [ "$u" = 1 ]; then
        m ss udp
        pids="$pids $(ss -uanpe | awk "$a")"
    fi
fi
uids=
for p in $pids; do
    read -r s 2>/dev/null </proc/$p/stat || continue
    s=${s##*) }
    set -- $s
    t=${20}
    i=
    while read -r k v w; do
        if [ "$k" = Uid: ]; then i=$v; break; fi
    done 2>/dev/null </proc/$p/status
    m process "$p" "$t" "$i"
    printf '%s exe %s ' "$n" "$p"
    readlink "/proc/$p/exe" 2>/dev/null | tr '\n\r' '\007\007'
    printf '\n%s cmdline %s ' "$n" "$p"
    tr '\000\n\r' '\001\007\007' 2>/dev/null <"/proc/$p/cmdline" | head -c 65536
    printf '\n'
    case " $uids " in *" $i "*) ;; *) uids="$uids $i" ;; esac
done
for i in $uids; do
    e=$(getent passwd "$i" 2>/dev/null) && m user "$i" "${e%%:*}"
done
m end
)SH";

} // namespace

QByteArray remoteScript(RemoteRequest request, const QByteArray& marker, bool udp) {
    QByteArray script = "n=" + marker + "\nr=" + (request == RemoteRequest::Traffic ? "traffic" : "listing") +
                        "\nu=" + (udp ? "1" : "0") + "\n";
    return script + Script;
}

QByteArray newMarker() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char*>(words), sizeof(words)).toHex();
}

} // namespace os::remote
