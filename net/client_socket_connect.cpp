// The connect action the socket runs once its properties are set.
#include "net/client_socket.h"
#include "net/client_socket_address.h"
#include "platform/codepage.h"
#include "platform/process.h"
#include "ui/ui.h"

namespace ordo {

void TOrdoClientSocket::Loaded() {
    if (designMode_) return;
    if (Active()) SetActive(false);
    switch (connectAction_) {
        case caNone: return;
        case caUseDesignAddress: break;
        case caFastConnect:
        case caFastConnectCombo:
            if (OnAskServerAddress) {
                if (std::optional<std::string> address = OnAskServerAddress(*this)) SetAddress(*address);
            }
            break;
        case caCustomConnect:
            SetAddress("");
            SetHost("");
            SetPort(0);
            if (OnCustomConnect) OnCustomConnect(*this);
            if ((Address().empty() && Host().empty()) || Port() <= 0) {
                Ui().ShowMessage(AnsiLiteral("서버 주소와 포트가 유효하지 않습니다"));
                TerminateApplication();
                return;
            }
            break;
    }
    ConnectWithAddress();
}

void TOrdoClientSocket::ConnectWithAddress() {
    // A host set by the application stays; an address that names a host becomes the host.
    if (!Address().empty() || Host().empty()) {
        TOrdoConnectTarget target = ResolveConnectAddress(Address(), Port());
        SetAddress(target.address);
        SetHost(target.host);
        SetPort(target.port);
    }
    std::vector<std::string> args = commandLine_;
    if (args.empty()) {
        args = CommandLineArgs();
        if (!args.empty()) args.erase(args.begin());
    }
    TOrdoCommandLineSwitches switches = ParseConnectSwitches(args);
    if (switches.port > 0) SetPort(switches.port);
    if (!switches.ipAddress.empty()) {
        SetAddress(switches.ipAddress);
        SetHost("");
    }
    if (switches.compression) SetCompression(acOrdoZLib);
    if (switches.loginDialog) SetAutoLoginDlg(ltLoginDlg);
    // The HTTP transports are not part of this client; their switches are read and left unused.
    SetActive(true);
}

}  // namespace ordo
