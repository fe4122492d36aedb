#pragma once
#include "base/imp_exp_exception.h"

#include <mutex>
#include <string>
#include <vector>

namespace lp {

/// Texts and columns of the "Error Listing" dialog.
inline constexpr const char* kErrorListingCaption = "Error Listing";
inline constexpr const char* kErrorObjectHeading = "Object";
inline constexpr int kErrorObjectWidth = 150;  // right-aligned
inline constexpr const char* kErrorDescriptionHeading = "Error Description";
inline constexpr int kErrorDescriptionWidth = 200;  // left-aligned
/// A failure with this title shows the title as its description.
inline constexpr const char* kFileMissingTitle = "File does not exists";

/// One row of the "Error Listing": where it happened and what went wrong.
struct ErrorListingEntry {
    std::string object;
    std::string description;
    friend bool operator==(const ErrorListingEntry&, const ErrorListingEntry&) = default;
};

/// The errors of one worker pass, emptied when a pass starts. Several
/// threads of one pass may add to it.
class ErrorListing {
public:
    ErrorListing() = default;
    ErrorListing(const ErrorListing& other);
    ErrorListing& operator=(const ErrorListing& other);

    void Add(const ImpExpException& error);
    void Clear();
    bool Empty() const;
    std::size_t Size() const;
    std::vector<ErrorListingEntry> Entries() const;

    /// The dialog's row for one failure.
    static ErrorListingEntry EntryFor(const ImpExpException& error);

private:
    mutable std::mutex m_mutex;
    std::vector<ErrorListingEntry> m_entries;
};

}  // namespace lp
