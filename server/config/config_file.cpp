#include "server/config/config_file.h"

#include <map>

namespace ordo::server {

std::vector<CLI::ConfigItem> MergeRepeatedSettings(std::vector<CLI::ConfigItem> items,
                                                   const std::set<std::string>& repeatable) {
    std::vector<CLI::ConfigItem> merged;
    std::map<std::string, std::size_t> at;  // a setting's place in `merged`
    for (CLI::ConfigItem& item : items) {
        const std::string name = item.fullname();
        // Section marks ("++", "--") are structure, not settings.
        if (item.name == "++" || item.name == "--") {
            merged.push_back(std::move(item));
            continue;
        }
        const auto found = at.find(name);
        if (found == at.end()) {
            at.emplace(name, merged.size());
            merged.push_back(std::move(item));
        } else if (repeatable.count(name) != 0) {
            auto& inputs = merged[found->second].inputs;
            inputs.insert(inputs.end(), item.inputs.begin(), item.inputs.end());
        } else {
            merged[found->second].inputs = std::move(item.inputs);
        }
    }
    return merged;
}

std::vector<CLI::ConfigItem> LastValueWinsConfig::from_config(std::istream& input) const {
    return MergeRepeatedSettings(CLI::ConfigBase::from_config(input), repeatable_);
}

}  // namespace ordo::server
