// Field splitting, port unscrambling and the server-address helpers of the start-up.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/field_splitter.h"
#include "app/port_scrambler.h"
#include "app/server_address.h"
#include "core/errors.h"
#include "core/text_convert.h"
#include "platform/net_info.h"
#include "tests/support/scramble_port.h"

namespace ordo {
namespace {

TEST(GetField, SplitsAndTrims) {
    EXPECT_EQ(GetField("SetGRNY, B001 , Kim ,2024-01-05\r\n", ",", 0), "SetGRNY");
    EXPECT_EQ(GetField("SetGRNY, B001 , Kim ,2024-01-05\r\n", ",", 1), "B001");
    EXPECT_EQ(GetField("SetGRNY, B001 , Kim ,2024-01-05\r\n", ",", 3), "2024-01-05");
    EXPECT_EQ(GetField("SetGRNY,B001", ",", 7), "");
    EXPECT_EQ(GetField("  whole line  ", ",", 0), "whole line");
}

TEST(GetField, EmptyRestAfterSeparatorEndsTheSplit) {
    EXPECT_EQ(GetField("a,", ",", 1), "");
    EXPECT_EQ(GetField("a,,c", ",", 1), "");
    EXPECT_EQ(GetField("a,,c", ",", 2), "c");
}

TEST(GetField, QuotedTextIsSkippedNotReturned) {
    // The separator inside quotes does not split; the quoted field itself yields what follows its closing quote.
    EXPECT_EQ(GetField("a,\"x,y\",c", ",", 1), "");
    EXPECT_EQ(GetField("a,\"x,y\"tail,c", ",", 1), "tail");
    EXPECT_EQ(GetField("a,\"x,y\",c", ",", 2), "c");
    // Without a closing quote only the opening quote goes.
    EXPECT_EQ(GetField("a,\"xy,c", ",", 1), "xy");
}

TEST(GetField, LinesLongerThan255CharactersStillSplitAtTheirSeparators) {
    const std::string first(300, 'a');
    EXPECT_EQ(GetField(first + ",second", ",", 1), "second");
    EXPECT_EQ(GetField(first + ",second", ",", 0), first);
}

std::string ScramblePort(const std::string& plain, std::uint16_t key) { return test::ScramblePortText(plain, key); }

TEST(DecodePortText, RoundTripsTheInstallersScrambling) {
    for (const std::string port : {"55200", "1", "65535", "8080", "3050"}) {
        SCOPED_TRACE(port);
        const std::string hex = ScramblePort(port, kPortKey);
        EXPECT_EQ(hex.size(), 2 * port.size());
        EXPECT_EQ(DecodePortText(hex, kPortKey), port);
        EXPECT_NE(DecodePortText(hex, kPortKey + 256), port);  // another high byte, another stream
    }
}

TEST(DecodePortText, KeyStreamFollowsTheScrambledByte) {
    // Two texts that share a first byte but differ later must decode their shared prefix alike.
    const std::string a = ScramblePort("5520", kPortKey), b = ScramblePort("5599", kPortKey);
    EXPECT_EQ(a.substr(0, 4), b.substr(0, 4));
    EXPECT_EQ(DecodePortText(a, kPortKey), "5520");
    EXPECT_EQ(DecodePortText(b, kPortKey), "5599");
}

TEST(HexToStr, BadPairGivesMinusOneAndOddTailIsIgnored) {
    EXPECT_EQ(HexToStr("41424"), "AB");
    EXPECT_EQ(HexToStr("4G42"), "-1");
    EXPECT_EQ(DecodePortText("ZZ", kPortKey), "-1");
    EXPECT_EQ(StrToIntDef(DecodePortText("ZZ12", kPortKey), 0), -1);
    EXPECT_EQ(HexToStr(""), "");
}

TEST(IsDottedNumber, IntegersJoinedByDotsPass) {
    for (const char* yes : {"192.168.0.10", "10.1.2.3", "1.2", "999.1", "42", "$1F.2"}) {
        SCOPED_TRACE(yes);
        EXPECT_TRUE(IsDottedNumber(yes));
    }
    for (const char* no : {"srv.local", "10.0.x.5", "", "10..2", "10.2.", "host"}) {
        SCOPED_TRACE(no);
        EXPECT_FALSE(IsDottedNumber(no));
    }
}

// Worked out again once its second is over, also across the wrap of the tick count or when the clock went
// back, and never more often otherwise; an empty answer is kept like any other.
TEST(TRecentText, IsWorkedOutAgainOnlyOnceASecondOld) {
    TRecentText recent;
    int computed = 0;
    const auto compute = [&] { return "v" + std::to_string(++computed); };
    EXPECT_EQ(recent.Get(5000, compute), "v1");
    EXPECT_EQ(recent.Get(5999, compute), "v1");
    EXPECT_EQ(recent.Get(6000, compute), "v2");
    EXPECT_EQ(recent.Get(5999, compute), "v3");  // a clock that went back is no younger answer
    const std::uint32_t nearWrap = 0xFFFFFF00u;
    EXPECT_EQ(recent.Get(nearWrap, compute), "v4");
    EXPECT_EQ(recent.Get(nearWrap + 500u, compute), "v4");  // wrapped: 500 ms later
    EXPECT_EQ(recent.Get(nearWrap + 1000u, compute), "v5");
    TRecentText empty;
    int asked = 0;
    const auto nothing = [&] { ++asked; return std::string(); };
    EXPECT_EQ(empty.Get(1, nothing), "");
    EXPECT_EQ(empty.Get(2, nothing), "");
    EXPECT_EQ(asked, 1);
}

TEST(GetLocalIP, IsTheLastAddressOfTheMachinesName) {
    const std::string host = LocalHostName();
    const std::vector<std::string> addresses = host.empty() ? std::vector<std::string>{} : ResolveHostAddresses(host);
    EXPECT_EQ(GetLocalIP(), addresses.empty() ? std::string() : addresses.back());
}

TEST(LookupHostAddress, ResolvesDottedNamesAndRefusesOverlongOnes) {
    EXPECT_EQ(LookupHostAddress("localhost"), "127.0.0.1");
    // A name that does not resolve is said with the resolver's reason, not left as an empty address that
    // fails much later without a word about the name.
    for (const std::string& name : {std::string("no-such-host.invalid"), std::string(101, 'a')}) {
        try {
            LookupHostAddress(name);
            ADD_FAILURE() << name << " resolved";
        } catch (const EOSError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find("\"" + name + "\""), std::string::npos) << text;
            EXPECT_GT(text.size(), name.size() + 30) << "a reason follows: " << text;
        }
    }
    EXPECT_EQ(ResolveHostName("localhost").value_or(""), "127.0.0.1");
    EXPECT_TRUE(ResolveHostName("").has_value());  // the machine's own name
}

}  // namespace
}  // namespace ordo
