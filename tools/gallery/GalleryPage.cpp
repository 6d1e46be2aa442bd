#include "GalleryPage.h"

#include <algorithm>

namespace {

struct Registration {
    int order;
    GalleryPageRegistrar::Factory factory;
};

// Function-local, so registrars in other files may run first.
std::vector<Registration>& registrations() {
    static std::vector<Registration> list;
    return list;
}

} // namespace

GalleryPageRegistrar::GalleryPageRegistrar(int order, Factory factory) {
    registrations().push_back({order, std::move(factory)});
}

std::vector<std::unique_ptr<GalleryPage>> GalleryPageRegistrar::createPages() {
    std::vector<Registration> sorted = registrations();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Registration& a, const Registration& b) { return a.order < b.order; });
    std::vector<std::unique_ptr<GalleryPage>> pages;
    for (const Registration& registration : sorted)
        pages.push_back(registration.factory());
    return pages;
}
