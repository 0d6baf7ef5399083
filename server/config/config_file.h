#pragma once
// The reader of ordo-server's configuration file. A setting written twice takes its last value,
// as the configuration files of other servers do: an administrator who appends a line to change a
// setting gets the change. Settings that may be given more than once (push-file) keep every value
// in the order written.
#include <CLI/CLI.hpp>

#include <set>
#include <string>
#include <utility>

namespace ordo::server {

class LastValueWinsConfig : public CLI::ConfigBase {
public:
    explicit LastValueWinsConfig(std::set<std::string> repeatable) : repeatable_(std::move(repeatable)) {}
    std::vector<CLI::ConfigItem> from_config(std::istream& input) const override;

private:
    std::set<std::string> repeatable_;
};

/// The items of a configuration file with each setting once: its last value, or for a repeatable
/// one all its values joined into the first item.
std::vector<CLI::ConfigItem> MergeRepeatedSettings(std::vector<CLI::ConfigItem> items,
                                                   const std::set<std::string>& repeatable);

}  // namespace ordo::server
