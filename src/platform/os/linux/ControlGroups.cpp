#include "platform/os/linux/ControlGroups.h"

#include "platform/os/linux/LinuxSystem.h"

#include <QFile>

#include <array>
#include <optional>

namespace os::linuxbackend {
namespace {

// A container's id is 64 hex digits; the first 12 tell it apart, as its own tools print it.
constexpr qsizetype ShortIdLength = 12;

bool isHex(QStringView text) {
    for (QChar c : text)
        if (!c.isDigit() && !(c >= QLatin1Char('a') && c <= QLatin1Char('f')))
            return false;
    return !text.isEmpty();
}

std::optional<QString> containerName(const char* tool, QStringView id) {
    if (id.size() < ShortIdLength || !isHex(id))
        return std::nullopt;
    return QLatin1String(tool) + QLatin1Char(' ') + id.left(ShortIdLength).toString();
}

// "<prefix><body><suffix>": the body, or nothing when the element has another form.
std::optional<QStringView> between(QStringView element, const char* prefix, const char* suffix) {
    const QLatin1String start(prefix), end(suffix);
    if (element.size() <= start.size() + end.size() || !element.startsWith(start) || !element.endsWith(end))
        return std::nullopt;
    return element.mid(start.size(), element.size() - start.size() - end.size());
}

// "<body>-<n>": the body, where the instance <n> is a number or a random word.
std::optional<QStringView> withoutInstance(QStringView text) {
    const qsizetype dash = text.lastIndexOf(QLatin1Char('-'));
    if (dash <= 0 || dash == text.size() - 1)
        return std::nullopt;
    for (QChar c : text.mid(dash + 1))
        if (!c.isLetterOrNumber())
            return std::nullopt;
    return text.left(dash);
}

// systemd writes a "-" inside a name as "\x2d", keeping "-" between the name's parts.
QString unescaped(QStringView name) {
    return name.toString().replace(QLatin1String("\\x2d"), QLatin1String("-"));
}

// One form of element: what it shows, or nothing when the element (under its parent) has
// another form.
struct ServiceRule {
    const char* form;
    std::optional<QString> (*name)(QStringView element, QStringView parent);
};

// The forms, tried on each element from the innermost outwards; no element has two of them.
const std::array<ServiceRule, 8> ServiceRules = {{
    {"<unit>.service",
     [](QStringView element, QStringView) -> std::optional<QString> {
         return between(element, "", ".service") ? std::optional<QString>(element.toString()) : std::nullopt;
     }},
    {"app-flatpak-<id>-<n>.scope",
     [](QStringView element, QStringView) -> std::optional<QString> {
         const auto body = between(element, "app-flatpak-", ".scope");
         const auto id = body ? withoutInstance(*body) : std::nullopt;
         return id ? std::optional<QString>(QLatin1String("flatpak ") + unescaped(*id)) : std::nullopt;
     }},
    {"snap.<name>.<app>-<n>.scope",
     [](QStringView element, QStringView) -> std::optional<QString> {
         const auto body = between(element, "snap.", ".scope");
         const qsizetype dot = body ? body->indexOf(QLatin1Char('.')) : -1;
         if (dot <= 0 || !withoutInstance(body->mid(dot + 1)))
             return std::nullopt;
         return QLatin1String("snap ") + body->left(dot).toString();
     }},
    {"docker-<id>.scope",
     [](QStringView element, QStringView) -> std::optional<QString> {
         const auto id = between(element, "docker-", ".scope");
         return id ? containerName("docker", *id) : std::nullopt;
     }},
    {"/docker/<id>",
     [](QStringView element, QStringView parent) -> std::optional<QString> {
         return parent == QLatin1String("docker") ? containerName("docker", element) : std::nullopt;
     }},
    {"libpod-<id>.scope",
     [](QStringView element, QStringView) -> std::optional<QString> {
         const auto id = between(element, "libpod-", ".scope");
         return id ? containerName("podman", *id) : std::nullopt;
     }},
    {"app-[<launcher>-]<name>-<n>.scope",
     [](QStringView element, QStringView) -> std::optional<QString> {
         const auto body = between(element, "app-", ".scope");
         const auto launched = body ? withoutInstance(*body) : std::nullopt;
         if (!launched || launched->startsWith(QLatin1String("flatpak-")))
             return std::nullopt;
         const qsizetype dash = launched->indexOf(QLatin1Char('-'));
         return QLatin1String("app ") + unescaped(dash < 0 ? *launched : launched->mid(dash + 1));
     }},
    {"session-<n>.scope",
     [](QStringView element, QStringView) -> std::optional<QString> {
         const auto number = between(element, "session-", ".scope");
         return number ? std::optional<QString>(QLatin1String("session ") + number->toString())
                       : std::nullopt;
     }},
}};

} // namespace

QString controlGroupPath(QStringView cgroupFile) {
    QString systemdPath;
    for (QStringView line : cgroupFile.split(QLatin1Char('\n'))) {
        // hierarchy id : controllers : path (which may hold colons itself)
        const qsizetype first = line.indexOf(QLatin1Char(':'));
        const qsizetype second = first < 0 ? -1 : line.indexOf(QLatin1Char(':'), first + 1);
        if (second < 0)
            continue;
        const QStringView path = line.mid(second + 1);
        if (line.left(second) == QLatin1String("0:"))
            return path.toString();
        if (line.mid(first + 1, second - first - 1) == QLatin1String("name=systemd"))
            systemdPath = path.toString();
    }
    return systemdPath;
}

QString serviceOfControlGroup(QStringView path) {
    const QList<QStringView> elements = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = elements.size() - 1; i >= 0; --i) {
        const QStringView parent = i > 0 ? elements[i - 1] : QStringView();
        for (const ServiceRule& rule : ServiceRules)
            if (std::optional<QString> name = rule.name(elements[i], parent))
                return *name;
    }
    // The root group ("/") holds what no unit claims: kernel threads, processes of a system
    // without a service manager. It names nothing.
    return elements.isEmpty() ? QString() : elements.last().toString();
}

} // namespace os::linuxbackend

namespace os {

// Here rather than with the rest of the backend: the rules above are this file's one job.
std::vector<ProcessService> LinuxSystem::processServices(const std::vector<std::int32_t>& processIds) {
    std::vector<ProcessService> services;
    services.reserve(processIds.size());
    for (const std::int32_t processId : processIds) {
        ProcessService& service = services.emplace_back();
        QFile file(m_procRoot + QLatin1Char('/') + QString::number(processId) + QLatin1String("/cgroup"));
        if (processId <= 0 || !file.open(QIODevice::ReadOnly))
            continue;
        // A few lines; a process cannot make its own longer than the hierarchies it is in.
        service.detail = linuxbackend::controlGroupPath(QString::fromUtf8(file.read(64 * 1024)));
        if (!service.detail.isEmpty())
            service.name = linuxbackend::serviceOfControlGroup(service.detail);
    }
    return services;
}

bool LinuxSystem::hasOtherNetworkNamespaces() const {
    return true;
}

} // namespace os
