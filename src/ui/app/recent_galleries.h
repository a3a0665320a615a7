#pragma once

#include <QStringList>

namespace lirovane {
class ProfileStore;
}

// The gallery pages opened last, newest first, at most four, kept in the profile under
// a section of their own ("Recent Galleries", keys "Gallery1" to "Gallery4").
class RecentGalleries {
public:
    static constexpr int kMax = 4;

    explicit RecentGalleries(lirovane::ProfileStore& store) : m_store(store) {}

    QStringList list() const;
    // Puts `page` first; an earlier entry of it moves up, the oldest beyond four goes.
    void add(const QString& page);

private:
    lirovane::ProfileStore& m_store;
};
