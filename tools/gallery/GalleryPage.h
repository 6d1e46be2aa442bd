#pragma once

#include "platform/host/ControlHost.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

// One control's page of the gallery. The window asks a page for two showcases of its control in
// its looks and states, one on a run-mode host and one on a design-mode host, and shows them
// side by side; a page may add tools of its own (an animation button) under them.
class GalleryPage {
public:
    virtual ~GalleryPage() = default;
    virtual QString title() const = 0;
    // Called once per mode; the page keeps the controls it made if it animates them.
    virtual QWidget* showcase(host::ControlHost& host) = 0;
    virtual QWidget* tools() { return nullptr; }
    // One step of the page's animation, if it has one.
    virtual void advance() {}
};

// Pages register themselves from their own file:
//     const GalleryPageRegistrar registrar(20, [] { return std::make_unique<MyPage>(); });
// Pages are shown by ascending order.
class GalleryPageRegistrar {
public:
    using Factory = std::function<std::unique_ptr<GalleryPage>()>;
    GalleryPageRegistrar(int order, Factory factory);

    static std::vector<std::unique_ptr<GalleryPage>> createPages();
};
