#include "controls/progressbar/ProgressLooks.h"

#include <QDir>

// Resources of a static library must be registered by hand; outside any namespace, as the
// macro requires.
static void registerProgressBarPictures() {
    Q_INIT_RESOURCE(progressbar);
}

namespace controls::ProgressLooks {
namespace {

// The look table: `ProgressLook` value to picture set.
constexpr std::array<const char*, LookCount> setNames = {
    "master", "blue", "bluemet", "goldmet", "grmet", "greymet", "orangemet", "redmet",
};

QImage picture(const QString& name) {
    static const bool registered = (registerProgressBarPictures(), true);
    Q_UNUSED(registered);
    QImage image(QStringLiteral(":/progressbar/pictures/%1.png").arg(name));
    return image.convertToFormat(QImage::Format_RGB32);
}

struct Pictures {
    QImage frame = picture(QStringLiteral("frame"));
    QImage blank = picture(QStringLiteral("blank"));
    std::array<Tiles, LookCount> looks;
    Pictures() {
        for (int look = 0; look < LookCount; ++look)
            for (int tile = 0; tile < 3; ++tile)
                looks[look][tile] =
                    picture(QStringLiteral("%1_%2").arg(QLatin1String(setNames[look])).arg(tile));
    }
};

const Pictures& pictures() {
    static const Pictures instance;
    return instance;
}

} // namespace

const QImage& frame() {
    return pictures().frame;
}

const QImage& blank() {
    return pictures().blank;
}

const Tiles* look(int index) {
    if (index < 0 || index >= LookCount)
        return nullptr;
    return &pictures().looks[index];
}

QString lookName(int index) {
    if (index < 0 || index >= LookCount)
        return {};
    return QLatin1String(setNames[index]);
}

} // namespace controls::ProgressLooks
