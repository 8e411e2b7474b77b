// SPDX-License-Identifier: GPL-3.0-or-later
// Aiming as the user meets it: the real main window tracking the rotor simulator on a
// pseudo-terminal, steered by N1MM-style and PST-style datagrams and by WSJT-X's Status
// messages, all on loopback, with the heading coming back on the reply ports.
#include <gtest/gtest.h>

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <random>

#include "app/Aiming.h"
#include "app/AimingMenu.h"
#include "app/AimingSettings.h"
#include "app/SkyvaneUnit.h"
#include "rotor/Locator.h"
#include "rotor/LoggerRotorPackets.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/RotorSimProcess.h"
#include "tests/support/WsjtxDatagram.h"
#include "toolkit/Label.h"
#include "tray/TextIcon.h"

namespace skyvane {
namespace {

// A loopback socket of the test's own: sends datagrams, collects what comes back.
class Peer {
public:
    explicit Peer(quint16 port = 0) { bound_ = socket_.bind(QHostAddress::LocalHost, port); }
    bool Bound() const { return bound_; }
    quint16 Port() const { return socket_.localPort(); }
    void Send(const QByteArray& datagram, quint16 port) {
        socket_.writeDatagram(datagram, QHostAddress::LocalHost, port);
    }
    // Everything received so far.
    const std::vector<std::string>& Received() {
        while (socket_.hasPendingDatagrams())
            received_.push_back(socket_.receiveDatagram().data().toStdString());
        return received_;
    }

private:
    QUdpSocket socket_;
    bool bound_ = false;
    std::vector<std::string> received_;
};

class AimingWindowTest : public MainWindowTest {
protected:
    // Starts the window on the simulator with every listener on, Track on.
    TForm1& TrackAiming(const std::string& port, const std::string& more = "") {
        // The PST answer goes to the port after PSTPORT: the test's peer listens there.
        for (int tries = 0; tries < 20 && !pstReply_; ++tries) {
            auto peer = std::make_unique<Peer>();
            pstPort_ = static_cast<quint16>(peer->Port() - 1);
            if (Peer(pstPort_).Bound() && pstPort_ > 1024) pstReply_ = std::move(peer);
        }
        wsjtxPort_ = Peer().Port();
        n1mmPort_ = Peer().Port();
        WriteFile(dir_ / "Skyvane.INI",
                  "[SETTINGS]\r\nCOMPORT=" + port + "\r\nTRACE=YES\r\nLOCATOR=JO62qm\r\n" +
                      "WSJTX=YES\r\nWSJTXADDRESS=127.0.0.1:" + std::to_string(wsjtxPort_) +
                      "\r\nN1MMROTOR=YES\r\nN1MMPORT=" + std::to_string(n1mmPort_) +
                      "\r\nPSTROTOR=YES\r\nPSTPORT=" + std::to_string(pstPort_) +
                      "\r\nPARKHEADING=45\r\n" + more + "[PRESETS]\r\n1=270 West\r\n");
        TForm1& form = Start();
        Choose(form.Track);
        for (const auto& box : boxes_) ADD_FAILURE() << box.text;
        return form;
    }
    static int Shown(TForm1& form) { return std::stoi(form.Response->Caption()); }
    static bool Reaches(TForm1& form, int heading, int ms = 20000) {
        return WaitUntil([&] { return Shown(form) == heading; }, ms);
    }
    bool Logged(const std::string& text) {
        for (const std::string& line : LogLines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    std::unique_ptr<Peer> pstReply_;
    quint16 pstPort_ = 0, wsjtxPort_ = 0, n1mmPort_ = 0;
};

TEST_F(AimingWindowTest, LoggersTurnTheSimulatorAndGetTheHeadingBack) {
    Peer n1mmReply(N1mmHeadingReplyPort);
    if (!n1mmReply.Bound()) GTEST_SKIP() << "UDP port 13010 is in use on this machine";
    test::Simulator sim({"--heading", "100", "--turn-rate", "30"});
    TForm1& form = TrackAiming(sim.FirstLine());
    ASSERT_TRUE(pstReply_);
    ASSERT_TRUE(Reaches(form, 100, 10000));
    ASSERT_NE(form.Aiming->N1mmPort(), 0);

    // Another rotor's name is not ours; then ours turns to 150.
    Peer logger;
    const auto n1mm = [](const std::string& name, int heading) {
        return QByteArray::fromStdString("<N1MMRotor><rotor>" + name + "</rotor><goazi>" +
                                         std::to_string(heading) +
                                         ".0</goazi><offset>0.0</offset><bidirectional>0"
                                         "</bidirectional><freqband>14</freqband></N1MMRotor>");
    };
    logger.Send(n1mm("Tower 2", 10), n1mmPort_);
    logger.Send("<N1MMRotor><rotor>Skyvane", n1mmPort_);
    logger.Send(n1mm("Skyvane", 150), n1mmPort_);
    int lowest = 100;
    EXPECT_TRUE(WaitUntil(
        [&] {
            lowest = std::min(lowest, Shown(form));
            return Shown(form) == 150;
        },
        20000));
    EXPECT_EQ(lowest, 100);
    // The heading went back while it changed, and the last one sent is where it is now.
    EXPECT_TRUE(WaitUntil([&] { return n1mmReply.Received().size() >= 2; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return n1mmReply.Received().back() == "Skyvane @ 1500"; }, 5000))
        << n1mmReply.Received().back();
    EXPECT_TRUE(Logged("Turn to 150\xC2\xB0 from an N1MM-style logger"));

    // PST: AZ? is answered at PSTPORT + 1; a turn outside the range is not carried out.
    Peer client;
    client.Send("<PST>AZ?</PST>", pstPort_);
    EXPECT_TRUE(WaitUntil([&] { return !pstReply_->Received().empty(); }, 5000));
    EXPECT_EQ(pstReply_->Received(), std::vector<std::string>{"AZ:150"});
    client.Send("<PST><AZIMUTH>400</AZIMUTH></PST>", pstPort_);
    EXPECT_TRUE(WaitUntil(
        [&] { return Logged("Turn to 400\xC2\xB0 from a PST-style client not carried out"); }));
    client.Send("<PST><AZIMUTH>120</AZIMUTH></PST>", pstPort_);
    EXPECT_TRUE(Reaches(form, 120));
    client.Send("<PST><PARK>1</PARK></PST>", pstPort_);
    EXPECT_TRUE(Reaches(form, 45));
    EXPECT_TRUE(Logged("Park at 45\xC2\xB0 from a PST-style client"));

    // A preset from the menu: "270 West".
    ASSERT_EQ(form.Aiming->Menu().PresetEntries().size(), 1u);
    EXPECT_EQ(form.Aiming->Menu().PresetEntries()[0]->Caption(), "West");
    Choose(form.Aiming->Menu().PresetEntries()[0]);
    EXPECT_TRUE(Reaches(form, 270, 30000));
    EXPECT_TRUE(Logged("Turn to 270\xC2\xB0 from a preset"));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(AimingWindowTest, WsjtxDxShowsInTheMenuAndHintAndFollowModeTurnsOncePerCall) {
    test::Simulator sim({"--heading", "100", "--turn-rate", "40"});
    TForm1& form = TrackAiming(sim.FirstLine(), "WSJTXFOLLOW=YES\r\n");
    ASSERT_TRUE(Reaches(form, 100, 10000));
    TAimingMenu& menu = form.Aiming->Menu();
    EXPECT_FALSE(menu.DxEntry()->Visible());

    const auto paths = GreatCirclePaths(*LocatorPosition("JO62qm"), *LocatorPosition("FN42"));
    const int bearing = WholeDegreeBearing(paths.shortPath.bearing);
    test::TStatusFields status;
    status.dxCall = "k1abc";
    status.dxGrid = "FN42";
    Peer wsjtx;
    wsjtx.Send(test::StatusDatagram(status, 3), wsjtxPort_);
    ASSERT_TRUE(WaitUntil([&] { return menu.DxEntry()->Visible(); }));
    EXPECT_EQ(menu.DxEntry()->Caption(),
              "Turn to K1ABC (FN42) " + std::to_string(bearing) + "\xC2\xB0");
    EXPECT_EQ(menu.DxLongPathEntry()->Caption(),
              "Turn to K1ABC long path " +
                  std::to_string(WholeDegreeBearing(paths.longPath.bearing)) + "\xC2\xB0");
    EXPECT_NE(form.TextIcon->Hint().find("DX K1ABC (FN42)"), std::string::npos);
    // Follow mode turned by itself.
    EXPECT_TRUE(Reaches(form, bearing, 30000));
    EXPECT_TRUE(Logged("from WSJT-X follow mode"));

    // Parked from the menu, the same DX again does not turn it back.
    Choose(menu.ParkEntry());
    EXPECT_TRUE(Reaches(form, 45, 30000));
    wsjtx.Send(test::StatusDatagram(status, 2), wsjtxPort_);
    WaitUntil([] { return false; }, 2500);
    EXPECT_EQ(Shown(form), 45);

    // A flood of foreign and broken datagrams: the window goes on reading the rotor and
    // the Status after it is still understood.
    std::mt19937 random(7);
    for (int i = 0; i < 10000; ++i) {
        QByteArray junk(static_cast<int>(random() % 300), '\0');
        for (char& c : junk) c = static_cast<char>(random());
        wsjtx.Send(i % 2 ? junk : test::StatusDatagram(status).left(i % 90), wsjtxPort_);
    }
    // The flood may have filled the socket's buffer: WSJT-X repeats its Status, so does the test.
    status.dxCall = "W1AW";
    status.dxGrid = "FN31";
    const auto understood = [&](const std::string& caption) {
        for (int i = 0; i < 50; ++i) {
            wsjtx.Send(test::StatusDatagram(status), wsjtxPort_);
            if (WaitUntil([&] { return menu.DxEntry()->Caption().starts_with(caption); }, 200))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(understood("Turn to W1AW (FN31) ")) << menu.DxEntry()->Caption();
    EXPECT_TRUE(WaitUntil([&] { return Shown(form) != 45; }, 10000));  // followed, and shown

    // Without a grid, the country file's point: the default file, read on this first need.
    status.dxCall = "JA1XYZ";
    status.dxGrid = QByteArray();
    if (fs::exists(DefaultCountryFile)) {
        EXPECT_TRUE(understood("Turn to JA1XYZ (Japan) ")) << menu.DxEntry()->Caption();
    }
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(AimingWindowTest, BadValuesAreNamedOnceAndTheDefaultsRunOn) {
    WriteFile(dir_ / "Skyvane.INI",
              "[SETTINGS]\r\nPARKHEADING=400\r\nN1MMPORT=http\r\nWSJTX=maybe\r\n"
              "WSJTXADDRESS=localhost\r\nCTYFILE=/nonexistent/cty.dat\r\n");
    TForm1& form = Start();
    ASSERT_EQ(boxes_.size(), 1u);
    const std::string& text = boxes_[0].text;
    for (const char* named : {"PARKHEADING=400", "N1MMPORT=http", "WSJTX=maybe",
                              "WSJTXADDRESS=localhost", "CTYFILE=/nonexistent/cty.dat"})
        EXPECT_NE(text.find(named), std::string::npos) << named << " in " << text;
    EXPECT_EQ(form.Aiming->WsjtxPort(), 0);
    EXPECT_FALSE(form.Aiming->Countries());
    // The program wrote none of these keys back, and the user's text stays as it was.
    form.WriteINI();
    EXPECT_NE(ReadFile(dir_ / "Skyvane.INI").find("PARKHEADING=400"), std::string::npos);
    EXPECT_EQ(ReadFile(dir_ / "Skyvane.INI").find("PSTROTOR"), std::string::npos);
}

}  // namespace
}  // namespace skyvane
