// fqreplay: replays the queued database work of the sales suite through the middleware server, once per start.
#include <exception>
#include <iostream>

#include "app/main_form.h"
#include "platform/codepage.h"
#include "platform/process.h"
#include "platform/ui.h"

int main() {
    using namespace ordo;
    try {
        InitLocale();
        std::unique_ptr<IUiBackend> ui = CreateUiBackend();
        TfrmPellow form(*ui, ExeFolder());
        TTerminationSignals signals([&form](int) { form.Terminate(); });
        form.FormCreate();
        const int status = form.Run();
        if (form.WalkError()) std::cerr << "fqreplay: " << *form.WalkError() << '\n';
        return status;
    } catch (const std::exception& e) {
        std::cerr << "fqreplay: " << e.what() << '\n';
        return 2;
    }
}
