#pragma once

#include "GalleryPage.h"

#include <QWidget>

#include <memory>
#include <vector>

// Every registered page, one under the other, each with its run-mode and design-mode
// showcases side by side.
class GalleryWindow : public QWidget {
    Q_OBJECT
public:
    explicit GalleryWindow(QWidget* parent = nullptr);
    ~GalleryWindow() override;

    void advanceAll();

private:
    host::ControlHost m_runHost{host::HostMode::Run};
    host::ControlHost m_designHost{host::HostMode::Design};
    std::vector<std::unique_ptr<GalleryPage>> m_pages;
};
