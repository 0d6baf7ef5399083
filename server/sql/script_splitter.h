#pragma once
// Cuts an initialisation script into statements the way isql reads it: each ends with the
// current terminator (";" at first), and SET TERM changes the terminator so that procedure and
// trigger bodies can hold semicolons.
#include <string>
#include <string_view>
#include <vector>

namespace ordo::server {

enum class ScriptStepKind {
    Sql,      // run it
    Commit,   // COMMIT [WORK]: commit what ran so far
    Setting,  // an isql setting (SET SQL DIALECT, SET NAMES, SET AUTODDL ...): nothing to run
};

struct ScriptStep {
    ScriptStepKind kind;
    std::string text;
    int line;  // 1-based line where the statement starts, for error messages
};

/// The steps of the script in order; SET TERM lines are consumed, not returned.
std::vector<ScriptStep> SplitScript(std::string_view script);

}  // namespace ordo::server
