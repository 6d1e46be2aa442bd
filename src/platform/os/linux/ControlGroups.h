#pragma once

#include <QString>
#include <QStringView>

namespace os::linuxbackend {

// The control group a /proc/PID/cgroup text puts its process in: the path of the unified
// hierarchy's line ("0::/system.slice/ssh.service"), else that of systemd's own hierarchy
// ("1:name=systemd:/..."), where systemd runs on the older cgroups alone. Empty when neither.
QString controlGroupPath(QStringView cgroupFile);

// What the list shows for a control group path: the innermost element that names a unit, app
// or container in a form this knows ("ssh.service", "flatpak org.gnome.Maps", "docker
// 3f2a8c1d9e0b", "session 2"), else the path's last element; empty for the root group.
QString serviceOfControlGroup(QStringView path);

} // namespace os::linuxbackend
