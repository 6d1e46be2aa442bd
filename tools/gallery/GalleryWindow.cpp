#include "GalleryWindow.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

GalleryWindow::GalleryWindow(const QString& onlyPage, QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Tavren control gallery"));
    auto* content = new QWidget;
    m_content = content;
    auto* column = new QVBoxLayout(content);
    m_pages = GalleryPageRegistrar::createPages();
    if (!onlyPage.isEmpty())
        std::erase_if(m_pages, [&](const std::unique_ptr<GalleryPage>& page) {
            return page->title().compare(onlyPage, Qt::CaseInsensitive) != 0;
        });
    for (const auto& page : m_pages) {
        auto* box = new QGroupBox(page->title());
        auto* grid = new QGridLayout(box);
        grid->setHorizontalSpacing(24);
        grid->addWidget(new QLabel(QStringLiteral("<b>Run mode</b>")), 0, 0);
        grid->addWidget(new QLabel(QStringLiteral("<b>Design mode</b>")), 0, 1);
        grid->addWidget(page->showcase(m_runHost), 1, 0, Qt::AlignTop | Qt::AlignLeft);
        grid->addWidget(page->showcase(m_designHost), 1, 1, Qt::AlignTop | Qt::AlignLeft);
        if (QWidget* tools = page->tools())
            grid->addWidget(tools, 2, 0, 1, 2, Qt::AlignLeft);
        column->addWidget(box);
    }
    if (m_pages.empty())
        column->addWidget(new QLabel(QStringLiteral("No control pages are built.")));
    column->addStretch();

    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    const QSize wanted = content->sizeHint();
    resize(wanted.width() + 24, std::min(wanted.height() + 8, 760));
}

GalleryWindow::~GalleryWindow() = default;

QStringList GalleryWindow::pageTitles() {
    QStringList titles;
    for (const auto& page : GalleryPageRegistrar::createPages())
        titles << page->title();
    return titles;
}

QImage GalleryWindow::renderAll() {
    // The content is laid out at its own full size outside the scroll area's viewport, so the
    // picture holds every row of every page.
    const QSize full = m_content->sizeHint().expandedTo(m_content->size());
    m_content->resize(full);
    QImage image(full, QImage::Format_RGB32);
    image.fill(m_content->palette().color(QPalette::Window));
    m_content->render(&image);
    return image;
}

void GalleryWindow::advanceAll() {
    for (const auto& page : m_pages)
        page->advance();
}
