// The keys a data source is written with, in the order they are written,
// each with the stored form of its default. Needs no test framework: the
// benchmark uses it too.
#pragma once
#include <string>
#include <utility>
#include <vector>

using KeyValues = std::vector<std::pair<std::string, std::string>>;

inline const KeyValues& storedDefaults() {
    static const KeyValues defaults = {{"Description", ""},
                                       {"Database", ""},
                                       {"Databases", ""},
                                       {"HostName", ""},
                                       {"LogonID", ""},
                                       {"Service", ""},
                                       {"ServerName", ""},
                                       {"Protocol", ""},
                                       {"CursorBehavior", "1"},
                                       {"CancelDetectInterval", "0"},
                                       {"EnableInsertCursors", "0"},
                                       {"GetDBListFromInformix", "1"},
                                       {"ApplicationUsingThreads", "1"},
                                       {"UseDefaultLogin", "0"},
                                       {"TrimBlankFromIndexName", "1"}};
    return defaults;
}

// The stored defaults, in order, with the given keys' values in their place.
inline KeyValues storedWith(const KeyValues& given) {
    KeyValues keys = storedDefaults();
    for (auto& key : keys)
        for (const auto& value : given)
            if (value.first == key.first)
                key.second = value.second;
    return keys;
}
