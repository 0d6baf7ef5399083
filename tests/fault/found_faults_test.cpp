// Faults the fuzz targets found, pinned by what the code must do instead. (The empty numeric value that
// was copied from a null buffer is replayed from fuzz/regressions under the sanitizers.)
#include <gtest/gtest.h>

#include "server/sql/script_splitter.h"

namespace ordo {
namespace {

using server::ScriptStepKind;
using server::SplitScript;

TEST(ScriptTerminator, ATerminatorOfAnotherLengthStartsRightBehindTheSetTerm) {
    // The new terminator is two characters, the old one was one: nothing behind ";" may be eaten.
    const auto steps = SplitScript("SET TERM !! ;CREATE TABLE T (A INT)!!SET TERM ; !!INSERT INTO T VALUES (1);");
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].text, "CREATE TABLE T (A INT)");
    EXPECT_EQ(steps[1].text, "INSERT INTO T VALUES (1)");
    EXPECT_EQ(steps[1].kind, ScriptStepKind::Sql);
}

TEST(ScriptTerminator, AnOverlongTerminatorAtTheEndOfTheScriptIsNoCrash) {
    // SET TERM takes the rest of its statement; at the script's end that once ran past the text.
    const auto steps = SplitScript("SET TERM ^ 3\nCREATE block AS BEGIN END;");
    EXPECT_TRUE(steps.empty());
}

}  // namespace
}  // namespace ordo
