#include "core/base/host_port.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(HostPort, EveryFormOfTheSettingGivesItsHostAndPort) {
    struct Case {
        const char* setting;
        const char* host;
        std::optional<uint16_t> port;
    } cases[] = {
        {"mail.example.com", "mail.example.com", std::nullopt},
        {"mail.example.com:587", "mail.example.com", 587},
        {" imap.example.com:143 ", "imap.example.com", 143},
        {"\tlocalhost:65535", "localhost", 65535},
        {"192.0.2.1:465", "192.0.2.1", 465},
        {"[2001:db8::1]:993", "2001:db8::1", 993},
        {"[::1]", "::1", std::nullopt},
        {"2001:db8::25", "2001:db8::25", std::nullopt},
        {"mail:00025", "mail", 25},
    };
    for (const Case& c : cases) {
        const HostPortReading r = readHostPort(c.setting);
        EXPECT_TRUE(r.problem.empty()) << c.setting << ": " << r.problem;
        EXPECT_EQ(r.value.host, c.host) << c.setting;
        EXPECT_EQ(r.value.port, c.port) << c.setting;
    }
}

TEST(HostPort, AFaultySettingSaysWhatIsWrongAndGivesNothing) {
    struct Case {
        const char* setting;
        const char* problem;
    } cases[] = {
        {"", "names no host"},
        {"   ", "names no host"},
        {":25", "names no host"},
        {"[]:25", "names no host"},
        {"mail:", "has no valid port number"},
        {"mail:0", "has no valid port number"},
        {"mail:65536", "has no valid port number"},
        {"mail:100000", "has no valid port number"},
        {"mail:25x", "has no valid port number"},
        {"mail: 25", "has no valid port number"},
        {"mail:+25", "has no valid port number"},
        {"mail:-1", "has no valid port number"},
        {"[::1]:", "has no valid port number"},
        {"[::1", "has an opening bracket without a closing one"},
        {"[::1]x", "has text after the closing bracket"},
        {"a b", "is not a host name"},
        {"evil/host", "is not a host name"},
        {"user@mail.example.com", "is not a host name"},
        {"mail?x:25", "is not a host name"},
        {"mail#x", "is not a host name"},
        {"ma\x01il", "is not a host name"},
    };
    for (const Case& c : cases) {
        const HostPortReading r = readHostPort(c.setting);
        EXPECT_EQ(r.problem, c.problem) << c.setting;
        EXPECT_TRUE(r.value.host.empty()) << c.setting;
        EXPECT_FALSE(r.value.port) << c.setting;
    }
}

} // namespace
