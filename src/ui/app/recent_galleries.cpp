#include "ui/app/recent_galleries.h"

#include "core/settings/profile_store.h"

namespace {

constexpr std::string_view kSection = "Recent Galleries";

std::string Key(int i)
{
    return "Gallery" + std::to_string(i + 1);
}

} // namespace

QStringList RecentGalleries::list() const
{
    QStringList pages;
    for (int i = 0; i < kMax; ++i) {
        const QString page = QString::fromStdString(m_store.GetProfileString(kSection, Key(i)));
        if (!page.isEmpty() && !pages.contains(page))
            pages << page;
    }
    return pages;
}

void RecentGalleries::add(const QString& page)
{
    QStringList pages = list();
    pages.removeAll(page);
    pages.prepend(page);
    for (int i = 0; i < kMax; ++i)
        m_store.WriteProfileString(kSection, Key(i), pages.value(i).toStdString());
}
