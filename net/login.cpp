// The login after every connect, its reply, and the server's utility information.
#include "net/login.h"

#include <cctype>

#include "core/text_convert.h"
#include "net/client_socket.h"
#include "ui/ui.h"

namespace ordo {
namespace {

constexpr int kMaxLoginCancels = 3;
constexpr int kInfoServerVersion = 6;
constexpr int kInfoServerSettings = 14;
constexpr int kInfoPatcher = 15;
constexpr int kInfoPing = 19;
constexpr std::int32_t kPingCode = -99999999;

}  // namespace

TOrdoStringLine BuildLoginLine(TLoginType loginType, const std::string& userName, const std::string& password,
                               const std::string& applicationName, const std::string& applicationVersion,
                               const TOrdoParamList& clientParams) {
    TOrdoStringLine line(mcLogin, 0);
    line.AddInteger(static_cast<std::int32_t>(loginType));
    line.AddString(userName);
    line.AddString(password);
    line.AddString(applicationName);
    Bytes fifth = ToBytes(applicationVersion);
    fifth.push_back(0x02);
    Bytes params = clientParams.SaveToString(false);
    fifth.insert(fifth.end(), params.begin(), params.end());
    line.AddItem(fifth, itString);
    return line;
}

double ParseServerVersion(const std::string& text, char localSeparator) {
    char separator = localSeparator;
    if (text.find(localSeparator) == std::string::npos) {
        // The server writes its own separator: the first character behind the leading digits.
        std::size_t digits = text.find_first_not_of("+-");
        if (digits != std::string::npos && std::isdigit(static_cast<unsigned char>(text[digits])) != 0) {
            std::size_t sep = text.find_first_not_of("0123456789", digits);
            if (sep != std::string::npos) separator = text[sep];
        }
    }
    double value = 0;
    if (!TryStrToFloat(text, value, separator)) return 0;
    return value;
}

void TOrdoClientSocket::SendLogin() {
    if (autoLoginDlg_ == ltLoginDlg) {
        RunLoginDialog();
    } else {
        SendLoginLine();
    }
}

void TOrdoClientSocket::SendLoginLine() {
    Transforms().ResetWorkingEncryption();
    TOrdoStringLine line =
        BuildLoginLine(autoLoginDlg_, userName_, password_, applicationName_, applicationVersion_, LoginParams());
    SendMessageLine(line, true);
    ProcessMessages();
}

void TOrdoClientSocket::RunLoginDialog() {
    int cancels = 0;
    while (Active() && !terminated_) {
        std::optional<TOrdoLoginCredentials> entered;
        if (loginDialog_ != nullptr) entered = loginDialog_->Execute(userName_);
        if (entered) {
            userName_ = entered->userName;
            password_ = entered->password;
            SendLoginLine();
            return;
        }
        if (++cancels >= kMaxLoginCancels) {
            Ui().ShowMessage(kLoginCancelledThreeTimesText);
            TerminateApplication();
            return;
        }
        // Nobody there to answer (headless): leaving is the answer that cannot loop forever.
        if (Ui().Confirm(kLoginCancelledAskText, true)) {
            TerminateApplication();
            return;
        }
    }
}

void TOrdoClientSocket::HandleLoginReply(TOrdoStringLine& line) {
    const bool accepted = StrToIntDef(line.ReadString(), 0) == 1;
    ReplyArrived();
    ++loginAttempts_;
    if (OnLoginParamsAttempt) {
        TOrdoParamList params = TOrdoParamList::CreateFromString(line.ReadBytes());
        OnLoginParamsAttempt(*this, accepted, params);
    } else if (OnLoginAttempt) {
        OnLoginAttempt(*this, accepted);
    } else if (!accepted && !designMode_) {
        Ui().ShowMessage(kBadLoginText);
        TerminateApplication();
    }
    // A program that is ending neither reconnects nor repeats the message.
    if (accepted || loginMaxAttempts_ <= 0 || terminated_) return;
    if (loginAttempts_ >= loginMaxAttempts_) {
        Ui().ShowMessage(kBadLoginText);
        TerminateApplication();
        return;
    }
    // The next attempt needs a connection of its own: the reconnect must find the socket closed.
    SetActive(false);
    StartReconnectTimer();
}

void TOrdoClientSocket::HandleUtilityInfo(int kind, TOrdoParamList& params) {
    if (OnServerUtilityInfoEvent) OnServerUtilityInfoEvent(*this, kind, params);
    switch (kind) {
        case kInfoServerVersion:
            serverVersion_ = params.Count() > 0 ? ParseServerVersion(params.Items(0).AsString(), DecimalSeparator()) : 0;
            break;
        case kInfoServerSettings: ApplyServerSettings(params); break;
        case kInfoPing: {
            TOrdoStringLine line(mcCodedMessage, 0);
            line.AddInteger(kPingCode);
            line.AddString("ping");
            SendMessageLine(line, false);
            break;
        }
        case kInfoPatcher: HandlePatcherDelivery(params); break;
        default: break;
    }
}

void TOrdoClientSocket::ApplyServerSettings(TOrdoParamList& params) {
    if (const TOrdoParamItem* p = params.FindParam("DateMaskForSQL")) dateMask_ = p->AsString();
    if (const TOrdoParamItem* p = params.FindParam("DateTimeMaskForSQL")) dateTimeMask_ = p->AsString();
    if (const TOrdoParamItem* p = params.FindParam("TimeMaskForSQL")) timeMask_ = p->AsString();
    if (const TOrdoParamItem* p = params.FindParam("SQLOptions"))
        sqlOptions_ = TOrdoServerSQLOptions::FromBits(static_cast<std::uint32_t>(StrToIntDef(p->AsString(), 0)));
    if (const TOrdoParamItem* p = params.FindParam("UpdateSQLSyntax")) {
        int v = StrToIntDef(p->AsString(), static_cast<int>(updateSQLSyntax_));
        if (v >= usODBC && v <= usOracle) updateSQLSyntax_ = static_cast<TOrdoUpdateSQL>(v);
    }
}

}  // namespace ordo
