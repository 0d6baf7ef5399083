// A queue file's content as the walk sees it: lines rejoined with CR LF, then either a rebuild
// command or a statement that is opened or executed. With the server's parts built in, the
// statement is also cut into the statements the server would run.
#include "app/queue_walk.h"
#include "app/statement_runner.h"
#include "fuzz/fuzz_input.h"
#include "platform/files.h"
#ifdef ORDO_FUZZ_WITH_SERVER
#include "server/sql/statement_splitter.h"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ordo::fuzz::Input in(data, size);
    std::string content;
    for (const std::string& line : ordo::SplitTextLines(in.RestText())) content += line + "\r\n";

    if (ordo::IsCommandText(content)) {
        const ordo::TRebuildCommand command = ordo::ParseCommand(content);
        ordo::fuzz::Require(command.buyerCode.size() + command.buyerName.size() + command.startDate.size() <=
                                content.size(),
                            "command fields come from the line");
        return 0;
    }
    (void)ordo::ClassifyStatement(content);
#ifdef ORDO_FUZZ_WITH_SERVER
    for (const std::string& statement : ordo::server::SplitStatements(content))
        ordo::fuzz::Require(!statement.empty(), "no empty statement is run");
#endif
    return 0;
}
