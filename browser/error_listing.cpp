#include "browser/error_listing.h"

namespace lp {

ErrorListing::ErrorListing(const ErrorListing& other) : m_entries(other.Entries()) {}

ErrorListing& ErrorListing::operator=(const ErrorListing& other) {
    if (this != &other) {
        auto entries = other.Entries();
        std::lock_guard lock(m_mutex);
        m_entries = std::move(entries);
    }
    return *this;
}

ErrorListingEntry ErrorListing::EntryFor(const ImpExpException& error) {
    if (error.Title() == kFileMissingTitle) return {error.Where(), error.Title()};
    return {error.Where(), error.Message()};
}

void ErrorListing::Add(const ImpExpException& error) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back(EntryFor(error));
}

void ErrorListing::Clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

bool ErrorListing::Empty() const {
    std::lock_guard lock(m_mutex);
    return m_entries.empty();
}

std::size_t ErrorListing::Size() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

std::vector<ErrorListingEntry> ErrorListing::Entries() const {
    std::lock_guard lock(m_mutex);
    return m_entries;
}

}  // namespace lp
