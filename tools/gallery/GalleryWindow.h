#pragma once

#include "GalleryPage.h"

#include <QWidget>

#include <memory>
#include <vector>

// Every registered page (or only the one named), one under the other, each with its run-mode
// and design-mode showcases side by side.
class GalleryWindow : public QWidget {
    Q_OBJECT
public:
    // An empty `onlyPage` shows every page; else the page of that title (any case).
    explicit GalleryWindow(const QString& onlyPage = {}, QWidget* parent = nullptr);
    ~GalleryWindow() override;

    // Titles of every registered page, in their order.
    static QStringList pageTitles();

    void advanceAll();
    // The pages at their full size, whatever part of them the window's height shows.
    QImage renderAll();

private:
    QWidget* m_content = nullptr;
    host::ControlHost m_runHost{host::HostMode::Run};
    host::ControlHost m_designHost{host::HostMode::Design};
    std::vector<std::unique_ptr<GalleryPage>> m_pages;
};
