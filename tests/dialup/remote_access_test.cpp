#include "dialup/remote_access.h"

#include "dialup/dial_progress.h"
#include "harness/scripted_remote_access.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace dialup;
using Op = ScriptedRemoteAccess::Op;

namespace {

TEST(CurrentIpAddress, OnlyOneActiveConnectionWithAnAddressGivesIt) {
    struct Case {
        int active;
        RasCode listing;
        RasCode projection;
        QString address;
    };
    const Case cases[] = {
        {0, 0, 0, ""},   {1, 0, 0, "10.64.3.7"}, {2, 0, 0, ""}, {1, 0, 720, ""}, // projection fails
        {1, 603, 0, ""},                                                         // listing fails
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.active);
        ScriptedRemoteAccess ras;
        for (int i = 0; i < c.active; ++i)
            ras.active.push_back({QStringLiteral("Entry%1").arg(i), ConnectionHandle(40 + i)});
        if (c.listing)
            ras.failNext(Op::EnumConnections, c.listing);
        if (c.projection)
            ras.failNext(Op::GetIpProjection, c.projection);
        EXPECT_EQ(CurrentIpAddress(ras), c.address);
        if (c.active == 1 && !c.listing)
            EXPECT_EQ(ras.callsOf(Op::GetIpProjection).at(0).args, QStringList{"40"});
        else
            EXPECT_EQ(ras.count(Op::GetIpProjection), 0);
    }
}

TEST(RemoteAccessDial, NamesLongerThan256CharactersAreRefusedBeforeTheService) {
    const QString ok(256, u'a');
    const QString tooLong(257, u'a');
    struct Case {
        QString entry, user, password;
        RasCode code;
        QString text;
    };
    const Case cases[] = {
        {ok, ok, ok, kSuccess, ""},
        {tooLong, "u", "p", kEntryNameTooLong, "The entry name is longer than 256 characters"},
        {"e", tooLong, "p", kUserNameTooLong, "The user name is longer than 256 characters"},
        {"e", "u", tooLong, kPasswordTooLong, "The password is longer than 256 characters"},
    };
    for (const Case& c : cases) {
        ScriptedRemoteAccess ras;
        ConnectionHandle handle = 0;
        EXPECT_EQ(ras.Dial(c.entry, c.user, c.password, nullptr, handle), c.code);
        EXPECT_EQ(ras.count(Op::Dial), c.code == kSuccess ? 1 : 0);
        if (c.code != kSuccess) {
            EXPECT_EQ(handle, 0u);
            EXPECT_EQ(ras.GetErrorText(c.code, kLongErrorText), c.text);
        }
    }
}

TEST(RemoteAccessErrorText, CutToTheBufferAndAtTheFirstNul) {
    ScriptedRemoteAccess ras;
    ras.texts[700] = QString(300, u'x');
    ras.texts[701] = QStringLiteral("before") + QChar(u'\0') + QStringLiteral("after");
    EXPECT_EQ(ras.GetErrorText(700, kLongErrorText), QString(255, u'x'));
    EXPECT_EQ(ras.GetErrorText(700, kShortErrorText), QString(127, u'x'));
    EXPECT_EQ(ras.GetErrorText(701, kLongErrorText), "before");
    EXPECT_EQ(ras.GetErrorText(702, kLongErrorText), "Error 702");
}

// Records the dial events a window receives, with the thread they arrive on.
class Receiver : public QObject {
public:
    struct Got {
        ConnectionHandle handle;
        uint32_t state;
        RasCode error;
        QThread* thread;
    };
    std::vector<Got> got;

protected:
    bool event(QEvent* e) override {
        if (e->type() != DialEvent::type())
            return QObject::event(e);
        auto* d = static_cast<DialEvent*>(e);
        got.push_back({d->handle, d->state, d->error, QThread::currentThread()});
        return true;
    }
};

TEST(DialProgress, PostedFromAnotherThreadArrivesInOrderOnTheUserInterfaceThread) {
    Receiver window;
    SetDialerWindowHandle(&window);
    std::thread([] {
        for (uint32_t state : {0u, 14u, 8192u})
            DialProgressNotifier(0x51, state, state == 14 ? 5 : 0);
    }).join();
    EXPECT_TRUE(window.got.empty()) << "handed over only through the event loop";
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.got.size() == 3u; }));
    EXPECT_EQ(window.got[0].state, 0u);
    EXPECT_EQ(window.got[1].state, 14u);
    EXPECT_EQ(window.got[1].error, 5u);
    EXPECT_EQ(window.got[2].state, 8192u);
    for (const auto& g : window.got) {
        EXPECT_EQ(g.handle, 0x51u);
        EXPECT_EQ(g.thread, QCoreApplication::instance()->thread());
    }
    SetDialerWindowHandle(nullptr);
}

TEST(DialProgress, EventForAWindowAlreadyDestroyedDoesNothing) {
    auto window = std::make_unique<Receiver>();
    SetDialerWindowHandle(window.get());
    std::thread([] { DialProgressNotifier(7, 8192, 0); }).join();
    window.reset(); // gone before the event loop runs
    EXPECT_EQ(DialerWindowHandle(), nullptr);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    // The next window is not given the event meant for the one before.
    Receiver next;
    SetDialerWindowHandle(&next);
    QCoreApplication::processEvents();
    EXPECT_TRUE(next.got.empty());
    SetDialerWindowHandle(nullptr);
}

TEST(ScriptedRemoteAccess, PlaysItsScriptInEachMode) {
    for (auto mode : {ScriptedRemoteAccess::Play::AtDial, ScriptedRemoteAccess::Play::OnThread,
                      ScriptedRemoteAccess::Play::Manually}) {
        Receiver window;
        SetDialerWindowHandle(&window);
        ScriptedRemoteAccess ras;
        ras.playMode = mode;
        ras.dialScript = {{0}, {8193, 678}};
        ConnectionHandle handle = 0;
        ASSERT_EQ(ras.Dial("Office", "ann", "pw", DialProgressNotifier, handle), kSuccess);
        EXPECT_EQ(handle, ras.lastHandle());
        if (mode == ScriptedRemoteAccess::Play::Manually) {
            EXPECT_EQ(ras.unplayed(), 2);
            ras.play(2);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.got.size() == 2u; }));
        EXPECT_EQ(window.got[1].state, 8193u);
        EXPECT_EQ(window.got[1].error, 678u);
        EXPECT_EQ(window.got[1].handle, handle);
        EXPECT_EQ(ras.callsOf(Op::Dial).at(0).args, (QStringList{"Office", "ann", "pw"}));
        SetDialerWindowHandle(nullptr);
    }
}

} // namespace
