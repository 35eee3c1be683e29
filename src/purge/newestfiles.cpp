#include "purge/newestfiles.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace culler {

bool NewestFiles::isNewer(const File &one, const File &other) {
    const timespec &a = one.stamp.identity.modified;
    const timespec &b = other.stamp.identity.modified;
    // std::string compares as unsigned bytes.
    return std::tie(a.tv_sec, a.tv_nsec, one.name) > std::tie(b.tv_sec, b.tv_nsec, other.name);
}

std::optional<NewestFiles::File> NewestFiles::offer(File file) {
    if (m_heap.size() < m_count) {
        m_heap.push_back(std::move(file));
        std::push_heap(m_heap.begin(), m_heap.end(), isNewer);
        return std::nullopt;
    }
    if (m_heap.empty() || !isNewer(file, m_heap.front()))
        return file;
    std::pop_heap(m_heap.begin(), m_heap.end(), isNewer);
    std::swap(m_heap.back(), file);
    std::push_heap(m_heap.begin(), m_heap.end(), isNewer);
    return file;
}

} // namespace culler
