#pragma once
// Cuts the text of one execute request into the statements it holds.
//
// A request may carry many statements, one per line (the balance rebuild joins up to a hundred
// with CR LF), or one statement spread over several lines. A line break therefore ends a
// statement only where the next line begins a new one: INSERT INTO, UPDATE OR INSERT, UPDATE
// <table> (not UPDATE SET), DELETE FROM, MERGE INTO, EXECUTE PROCEDURE, EXECUTE BLOCK, or a
// definition (CREATE, RECREATE, ALTER, DROP, DECLARE, COMMENT ON, GRANT, REVOKE, SET GENERATOR,
// SET STATISTICS). A semicolon ends a statement too. Neither counts inside quotes, comments or
// parentheses, inside BEGIN/CASE ... END, or before the closing END of a block statement
// (EXECUTE BLOCK, CREATE PROCEDURE, TRIGGER, FUNCTION, PACKAGE).
#include <string>
#include <string_view>
#include <vector>

namespace ordo::server {

/// The statements of the text in order, trimmed, without a trailing semicolon; empty ones
/// (blank or comment only) are left out.
std::vector<std::string> SplitStatements(std::string_view text);

}  // namespace ordo::server
