#pragma once

// Which sent reminder a reply answers: the latest sent to the same number (one number however
// written, samePhoneNumber), and of the reminders of that send, the one whose appointment is
// nearest to the reply. The index is built once per check, so matching many replies against a
// long log stays linear.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TdxMemData;

class SentItemIndex {
public:
    explicit SentItemIndex(const TdxMemData& sentItems);
    // The 0-based row of the sent item, or none.
    std::optional<int> match(std::string_view number, double received) const;

private:
    struct Item {
        int row;
        std::string number;
        int32_t created;
        double batch;
        double appointment;
    };
    std::unordered_multimap<std::string, Item> byTail_; // keyed by the last digits
};
