#include "net/client_socket_address.h"

#include <gtest/gtest.h>

#include "net/socket_errors.h"
#include "platform/codepage.h"

namespace ordo {
namespace {

TEST(ResolveConnectAddress, LocalInAnyCaseMeansThisMachine) {
    for (const char* text : {"LOCAL", "localhost", "myLocal"}) {
        SCOPED_TRACE(text);
        TOrdoConnectTarget t = ResolveConnectAddress(text, 9000);
        EXPECT_EQ(t.address, "127.0.0.1");
        EXPECT_TRUE(t.host.empty());
        EXPECT_EQ(t.port, 9000);
    }
}

TEST(ResolveConnectAddress, NumericAddressCarriesItsPortBehindTheColon) {
    TOrdoConnectTarget t = ResolveConnectAddress("10.1.2.3:55200", 9000);
    EXPECT_EQ(t.address, "10.1.2.3");
    EXPECT_EQ(t.port, 55200);
}

TEST(ResolveConnectAddress, ColonWithinTheFirstFiveCharactersIsNoPortMarker) {
    TOrdoConnectTarget t = ResolveConnectAddress("1.2:7", 9000);
    EXPECT_EQ(t.address, "1.2:7");
    EXPECT_EQ(t.port, 9000);
}

TEST(ResolveConnectAddress, BadPortTextKeepsTheStoredPort) {
    TOrdoConnectTarget t = ResolveConnectAddress("10.1.2.3:99999", 9000);
    EXPECT_EQ(t.address, "10.1.2.3");
    EXPECT_EQ(t.port, 9000);
}

TEST(ResolveConnectAddress, NameBeginningWithALetterIsAHost) {
    TOrdoConnectTarget t = ResolveConnectAddress("dbserver", 9000);
    EXPECT_EQ(t.host, "dbserver");
}

TEST(ParseConnectSwitches, ReadsEachSwitchByItsName) {
    TOrdoCommandLineSwitches s =
        ParseConnectSwitches({"port=55201", "/IPAddress=10.0.0.9", "-compression", "LOGIN", "http"});
    EXPECT_EQ(s.port, 55201);
    EXPECT_EQ(s.ipAddress, "10.0.0.9");
    EXPECT_TRUE(s.compression);
    EXPECT_TRUE(s.loginDialog);
    EXPECT_TRUE(s.http);
}

TEST(ParseConnectSwitches, LongerSwitchNamesDoNotMatchShorterOnes) {
    TOrdoCommandLineSwitches s = ParseConnectSwitches({"ServerProxiedPort=8080", "ServerProxiedAddress=1.2.3.4"});
    EXPECT_EQ(s.port, 0);
    EXPECT_TRUE(s.ipAddress.empty());
    EXPECT_EQ(s.proxiedPort, 8080);
    EXPECT_EQ(s.proxiedAddress, "1.2.3.4");
}

TEST(ParseConnectSwitches, PortTakesFiveCharactersAndMustBeAbove0) {
    EXPECT_EQ(ParseConnectSwitches({"Port=1234567"}).port, 12345);
    EXPECT_EQ(ParseConnectSwitches({"Port=0"}).port, 0);
    EXPECT_EQ(ParseConnectSwitches({"Port=abc"}).port, 0);
}

TEST(SocketErrorTexts, KnownCodesHaveTheirTextsAndOthersNone) {
    EXPECT_EQ(*SocketErrorText(10061), AnsiLiteral("10061: 연결이 거부되었습니다. 서버가 활성화 되어 있는지 확인하십시오"));
    EXPECT_EQ(SocketErrorText(10053), SocketErrorText(10054).value().replace(0, 5, "10053"));
    EXPECT_FALSE(SocketErrorText(10060).has_value());
    EXPECT_EQ(SocketErrorMessage("x", "10.0.0.1", 55200), "x at 10.0.0.1 on Port:55200");
}

TEST(AnchorStatusText, TextsDependOnStatusAndActivity) {
    EXPECT_EQ(AnchorStatusText(TACConnectedToAnchor, true, "", 0), "Connected to Anchor");
    EXPECT_EQ(AnchorStatusText(TACConnectedToAnchor, false, "", 0), "Disconnected, Anchor Available");
    EXPECT_EQ(AnchorStatusText(TAAnchorReDirect, true, "10.0.0.2", 9000), "Connecting from Anchor to Server 10.0.0.2:9000");
    EXPECT_EQ(AnchorStatusText(TAAnchorNoServers, true, "a", 1), "");
}

}  // namespace
}  // namespace ordo
