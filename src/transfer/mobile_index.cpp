#include "transfer/mobile_index.h"

#include <algorithm>

MobileIndex::MobileIndex(const std::vector<std::string>& stored) {
    std::size_t total = 0;
    for (const auto& n : stored) total += n.size() + 1;
    suffixes_.reserve(total);
    for (const auto& n : stored) {
        const std::string& kept = numbers_.emplace_back(folded(n));
        const std::string_view whole(kept);
        for (std::size_t at = 0; at <= whole.size(); ++at) suffixes_.push_back(whole.substr(at));
    }
    std::sort(suffixes_.begin(), suffixes_.end());
}

std::string MobileIndex::folded(std::string_view text) {
    // Only ASCII letters fold: in UTF-8 every byte of a longer character is
    // above 0x7F, so none of them is touched.
    std::string out(text);
    for (char& ch : out)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return out;
}

bool MobileIndex::contains(std::string_view number) const {
    const std::string key = folded(number);
    const std::string_view k(key);
    auto starts = [&](std::string_view suffix) { return suffix.substr(0, k.size()) == k; };
    auto it = std::lower_bound(suffixes_.begin(), suffixes_.end(), k);
    if (it != suffixes_.end() && starts(*it)) return true;
    auto added = addedSuffixes_.lower_bound(k);
    return added != addedSuffixes_.end() && starts(*added);
}

void MobileIndex::add(std::string_view number) {
    const std::string& kept = numbers_.emplace_back(folded(number));
    const std::string_view whole(kept);
    for (std::size_t at = 0; at <= whole.size(); ++at) addedSuffixes_.insert(whole.substr(at));
}

void MobileIndex::remove(std::string_view number) {
    const std::string key = folded(number);
    const std::string_view whole(key);
    for (std::size_t at = 0; at <= whole.size(); ++at) {
        // One occurrence each: another added number may share the suffix.
        auto it = addedSuffixes_.find(whole.substr(at));
        if (it != addedSuffixes_.end()) addedSuffixes_.erase(it);
    }
}
