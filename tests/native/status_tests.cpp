// Power sampling, time formatting and everything the status refresh shows.
#include "status/model/power_status.h"

#include "status/model/threshold_effect.h"

#include "resources/battery_pictures.h"
#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

using sys::PowerStatusRecord;

const tk::Color kGreen = tk::Color::rgb(20, 170, 0);
const tk::Color kRed = tk::Color::rgb(240, 0, 0);

struct Sample {
  PowerState state;
  int percent, secondsLeft;
  bool operator==(const Sample&) const = default;
};

class PowerStatusTest : public ::testing::Test {
 protected:
  sys::sim::SimSystem sim;
  Sample sample(PowerStatusRecord record, bool succeeds = true) {
    sim.power.record = record;
    sim.power.succeeds = succeeds;
    Sample s{NoBattery, 99, 99};
    s.state = getPowerStatus(s.percent, s.secondsLeft);
    return s;
  }
};

TEST_F(PowerStatusTest, AcLineAndChargingBitDecideTheState) {
  EXPECT_EQ(sample({1, 8, 50, 0xFFFFFFFF}), (Sample{Charging, 50, 0}));
  EXPECT_EQ(sample({1, 1, 50, 0xFFFFFFFF}), (Sample{ACPowered, 50, 0}));
  EXPECT_EQ(sample({0, 8, 50, 3600}), (Sample{Discharging, 50, 3600})) << "the charging bit counts only on AC";
  EXPECT_EQ(sample({0, 2, 50, 3600}), (Sample{Discharging, 50, 3600}));
}

TEST_F(PowerStatusTest, UnknownValuesMapToNoBatteryButStillFillTheNumbers) {
  EXPECT_EQ(sample({255, 1, 80, 1200}), (Sample{NoBattery, 80, 1200}));
  EXPECT_EQ(sample({1, 128, 80, 0xFFFFFFFF}), (Sample{NoBattery, 80, 0}));
  EXPECT_EQ(sample({1, 128 | 8, 80, 0xFFFFFFFF}), (Sample{NoBattery, 80, 0}));
  EXPECT_EQ(sample({0, 255, 80, 60}), (Sample{NoBattery, 80, 60}));
  EXPECT_EQ(sample({1, 255, 255, 0xFFFFFFFF}), (Sample{NoBattery, -1, 0}));
}

TEST_F(PowerStatusTest, UnknownPercentAndTimeInEveryState) {
  for (PowerStatusRecord record : {PowerStatusRecord{1, 8, 255, 0xFFFFFFFF}, PowerStatusRecord{1, 0, 255, 0},
                                   PowerStatusRecord{0, 0, 255, 0x80000000}}) {
    Sample s = sample(record);
    EXPECT_EQ(s.percent, -1);
    EXPECT_EQ(s.secondsLeft, 0);
  }
  EXPECT_EQ(sample({0, 0, 40, 0x7FFFFFFF}).secondsLeft, 0x7FFFFFFF);
  EXPECT_EQ(sample({0, 0, 40, 0xFFFFFFFE}).secondsLeft, 0);
}

TEST_F(PowerStatusTest, FailingCallIsNoBatteryWithZeros) {
  EXPECT_EQ(sample({0, 0, 40, 100}, false), (Sample{NoBattery, 0, 0}));
}

// What the power manager has done with the thresholds, told from what
// Windows shows of the battery, the thresholds that apply and whether they
// were saved since Windows started. Windows rounds the charge: a point
// either way is at the threshold.
TEST(ThresholdEffect, EachStateComesFromTheFactsAlone) {
  using Kind = BatteryReading::Kind;
  const store::Thresholds both{80, 40, true, true}, highOff{80, 40, false, true}, lowOff{80, 40, true, false},
      none{80, 40, false, false};
  const BatteryReading charging86{Kind::Battery, true, true, 86}, charging81{Kind::Battery, true, true, 81},
      charging50{Kind::Battery, true, true, 50}, held78{Kind::Battery, true, false, 78},
      held39{Kind::Battery, true, false, 39}, held30{Kind::Battery, true, false, 30},
      held95{Kind::Battery, true, false, 95}, discharging45{Kind::Battery, false, false, 45};
  struct Row {
    BatteryReading battery;
    std::optional<store::Thresholds> thresholds;
    bool savedSinceStart;
    EffectState state;
    const char16_t* text;
  };
  for (const Row& row : std::initializer_list<Row>{
           {charging86, both, false, EffectState::NotInEffect,
            u"charging past 80 %: the power manager has not applied your thresholds"},
           {charging86, both, true, EffectState::PendingRestart, u"saved, takes effect after Windows restarts"},
           {charging86, lowOff, false, EffectState::NotInEffect,
            u"charging past 80 %: the power manager has not applied your thresholds"},
           {charging86, highOff, false, EffectState::ChargingToLimit, u"charging to 100 %"},
           {charging81, both, false, EffectState::ChargingToLimit, u"charging to 80 %"},
           {charging50, none, false, EffectState::ChargingToLimit, u"charging to 100 %"},
           {held78, both, false, EffectState::InEffect, u"held at 78 %: charging resumes below 40 %"},
           {held78, both, true, EffectState::PendingRestart, u"saved, takes effect after Windows restarts"},
           {held78, lowOff, false, EffectState::InEffect, u"held at 78 %"},
           {held39, both, false, EffectState::InEffect, u"held at 39 %: charging resumes below 40 %"},
           {held30, both, false, EffectState::Unknown, u"unknown: not charging at 30 % on AC, below 40 %"},
           {held30, lowOff, false, EffectState::InEffect, u"held at 30 %"},
           {held95, both, false, EffectState::Unknown, u"unknown: not charging at 95 % on AC, above 80 %"},
           {held95, none, false, EffectState::InEffect, u"held at 95 %"},
           {discharging45, both, false, EffectState::OnBattery,
            u"on battery: charging resumes below 40 % when plugged in"},
           {discharging45, lowOff, false, EffectState::OnBattery, u"on battery: charging resumes when plugged in"},
           {discharging45, both, true, EffectState::PendingRestart, u"saved, takes effect after Windows restarts"},
           {{Kind::NoBattery}, both, true, EffectState::Unknown, u"unknown: no battery"},
           {{Kind::NoAnswer}, both, false, EffectState::Unknown, u"unknown: Windows does not tell the battery's state"},
           {held78, std::nullopt, false, EffectState::Unknown, u"unknown: no complete key set holds the thresholds"},
       }) {
    const Effect effect = effectOf({true, row.battery, row.thresholds, row.savedSinceStart});
    EXPECT_EQ(effect.state, row.state) << utf8(row.text);
    EXPECT_EQ(effect.text, row.text);
    EXPECT_LE(effect.shortText.size(), effect.text.size());
  }
  EXPECT_EQ(effectOf({false, held78, both, false}).text, u"unknown: the power manager's keys are missing");
}

TEST(FormatTimeLeft, WorkedExamplesAndLongTimes) {
  EXPECT_EQ(formatTimeLeft(1 * 3600 + 30 * 60), u"1:30 h");
  EXPECT_EQ(formatTimeLeft(1 * 3600 + 60), u"1:01 h");
  EXPECT_EQ(formatTimeLeft(600), u"0:10 h");
  EXPECT_EQ(formatTimeLeft(59), u"0:00 h");
  EXPECT_EQ(formatTimeLeft(1), u"0:00 h") << "one second left is still a time left";
  EXPECT_EQ(formatTimeLeft(10 * 3600), u"10:00 h");
  EXPECT_EQ(formatTimeLeft(0), u"");
  EXPECT_EQ(formatTimeLeft(-5), u"");
  EXPECT_EQ(formatTimeLeft(23 * 3600 + 59 * 60 + 59), u"23:59 h");
  EXPECT_EQ(formatTimeLeft(25 * 3600), u"25:00 h");
}

class StatusDisplayTest : public ProgramTest {
 protected:
  // Both thresholds saved as 40 % and 80 %, active as given.
  Tkst_mainform& startWithSaved(uint32_t lowActive = 1, uint32_t highActive = 1) {
    seedUserData({lowActive, highActive, 40, 80});
    return start();
  }
  void refresh() { main().updateBatteryStatus(); }
  struct Shown {
    bool gauge, charge, status, noBattery;
    bool operator==(const Shown&) const = default;
  };
  Shown shown() {
    return {main().gStateOfCharge.visible(), main().lbStateOfCharge.visible(), main().lbBatteryStatus.visible(),
            main().lbNoBattery.visible()};
  }
  const tk::Bitmap* trayPicture() { return main().TrayIcon.currentImage(); }
};

TEST_F(StatusDisplayTest, ChargingShowsStateChargeAndThresholds) {
  startWithSaved();
  sim.power.setCharging(75);
  refresh();
  EXPECT_EQ(main().caption(), u"charging,  75%    ");
  EXPECT_EQ(main().lbBatteryStatus.text(), u"AC connected, charging");
  EXPECT_EQ(main().lbStateOfCharge.text(), u"75%");
  EXPECT_EQ(main().gStateOfCharge.progress(), 75);
  EXPECT_EQ(app.drawn(main().gStateOfCharge.foreColor()), kGreen);
  EXPECT_EQ(shown(), (Shown{true, true, true, false}));
  EXPECT_EQ(main().TrayIcon.hint(),
            u"Kestrane\r\n75%   (AC connected, charging)\r\n"
            u"Charging starts below 40% and stops at 80%.\r\ncharging to 80 %");
  EXPECT_EQ(main().TrayIcon.imageList(), &main().imChargeHigh);
  EXPECT_TRUE(main().TrayIcon.animate());
  const int firstPicture = main().TrayIcon.imageIndex();
  app.advance(1499);
  EXPECT_EQ(main().TrayIcon.imageIndex(), firstPicture);
  app.advance(1);
  EXPECT_NE(main().TrayIcon.imageIndex(), firstPicture) << "a step every 1500 ms";
}

TEST_F(StatusDisplayTest, DischargingWithATimeAndBothThresholdsOff) {
  startWithSaved(0, 0);
  sim.power.setDischarging(45, 5400);
  refresh();
  EXPECT_EQ(main().caption(), u"1:30 h left,  45%   ");
  EXPECT_EQ(main().lbBatteryStatus.text(), u"discharging,  1:30 h left");
  EXPECT_EQ(main().TrayIcon.hint(),
            u"Kestrane\r\n1:30 h left   (discharging, 45%)\r\n"
            u"Charging starts below 40% (inactive) and stops at 80% (inactive).\r\non battery");
  EXPECT_EQ(main().TrayIcon.imageList(), &main().imDischarge);
  EXPECT_EQ(main().TrayIcon.imageIndex(), 1);
  EXPECT_FALSE(main().TrayIcon.animate());
  EXPECT_EQ(main().icon(), main().imDischarge.image(1)) << "window and tray show the same picture";
}

TEST_F(StatusDisplayTest, DischargingWithoutATimeAndUnderAMinute) {
  startWithSaved();
  sim.power.setDischarging(45, 0xFFFFFFFF);
  refresh();
  EXPECT_EQ(main().caption(), u"45% left, discharging");
  EXPECT_EQ(main().lbBatteryStatus.text(), u"discharging");
  EXPECT_EQ(main().TrayIcon.hint(),
            u"Kestrane\r\n(discharging, 45%)\r\nCharging starts below 40% and stops at 80%.\r\non battery");
  sim.power.setDischarging(45, 59);
  refresh();
  EXPECT_EQ(main().caption(), u"0:00 h left,  45%   ");
}

TEST_F(StatusDisplayTest, NotChargingOnAC) {
  startWithSaved(1, 0);
  sim.power.setOnAC(90);
  refresh();
  EXPECT_EQ(main().caption(), u"AC powered,  90%    ");
  EXPECT_EQ(main().lbBatteryStatus.text(), u"AC powered, not charging");
  EXPECT_EQ(main().TrayIcon.hint(),
            u"Kestrane\r\n90%   (AC powered, not charging)\r\nCharging starts below 40% and stops at 80% (inactive)."
            u"\r\nin effect: held at 90 %");
  EXPECT_EQ(main().TrayIcon.imageList(), &main().imNoCharge);
  EXPECT_EQ(main().TrayIcon.imageIndex(), 0);
  EXPECT_EQ(main().icon(), main().imNoCharge.image(0));
}

TEST_F(StatusDisplayTest, StatusLabelsAreAsWideAsTheirTextAndTheChargeKeepsItsRightEdge) {
  startWithSaved();
  tk::Label& status = main().lbBatteryStatus;
  tk::Label& charge = main().lbStateOfCharge;
  auto widthOf = [&](const tk::Label& label) {
    return app.textExtent(label.font(), label.text(), label.form().pixelsPerInch()).width;
  };
  int lastWidth = 0;
  for (auto [percent, seconds] : {std::pair{5, 600}, std::pair{100, 37800}, std::pair{45, 0}}) {
    SCOPED_TRACE(percent);
    sim.power.setDischarging(percent, static_cast<uint32_t>(seconds));
    refresh();
    EXPECT_EQ(status.left(), 24);
    EXPECT_EQ(status.width(), widthOf(status)) << toUtf8(status.text());
    EXPECT_EQ(charge.left() + charge.width(), 197);
    EXPECT_EQ(charge.width(), widthOf(charge));
    EXPECT_NE(charge.width(), lastWidth) << "5%, 100% and 45% differ in width";
    lastWidth = charge.width();
  }
  sim.power.setOnAC(80);
  refresh();
  EXPECT_EQ(status.text(), u"AC powered, not charging");
  EXPECT_EQ(status.width(), widthOf(status));
}

TEST_F(StatusDisplayTest, AtOneHundredAndFiftyPercentTheChargeEndsAtTheScaledEdge) {
  app.screenInfo.pixelsPerInch = 144;
  startWithSaved();
  sim.power.setCharging(7);
  refresh();
  tk::Label& charge = main().lbStateOfCharge;
  EXPECT_EQ(charge.left() + charge.width(), 296);
  EXPECT_EQ(charge.width(), app.textExtent(charge.font(), u"7%", charge.form().pixelsPerInch()).width);
}

TEST_F(StatusDisplayTest, NoBatteryHidesTheStatusAndKeepsTheIndex) {
  startWithSaved();
  sim.power.setDischarging(10, 600);
  refresh();
  ASSERT_EQ(main().TrayIcon.imageIndex(), 2);
  sim.power.setNoBattery();
  refresh();
  EXPECT_EQ(main().caption(), u"Kestrane   ");
  EXPECT_EQ(shown(), (Shown{false, false, false, true}));
  EXPECT_EQ(main().TrayIcon.hint(), u"Kestrane\r\nno battery present");
  EXPECT_EQ(main().TrayIcon.imageList(), &main().imNoBattery);
  EXPECT_EQ(main().TrayIcon.imageIndex(), 2) << "the index is not touched without a battery";
  EXPECT_EQ(trayPicture(), nullptr);
  EXPECT_FALSE(main().TrayIcon.animate());
  EXPECT_EQ(main().lbNoBattery.font().color, noBatteryColor);
}

// The charge limits are strict: 15 is low, 66 still middle.
TEST_F(StatusDisplayTest, ChargeLimitsPickGaugeColourPicturesAndIndex) {
  startWithSaved();
  struct Row {
    int percent;
    tk::Color gauge;
    const tk::ImageList* chargingList;
    int levelIndex;
  };
  Tkst_mainform& m = main();
  const std::vector<Row> rows = {{15, kRed, &m.imChargeLow, 2},
                                 {16, kGreen, &m.imChargeMid, 1},
                                 {66, kGreen, &m.imChargeMid, 1},
                                 {67, kGreen, &m.imChargeHigh, 0},
                                 {-1, kRed, &m.imChargeLow, 2}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.percent);
    int reported = row.percent < 0 ? 255 : row.percent;
    Text charge = decimal(row.percent) + u"%";
    sim.power.setCharging(reported);
    refresh();
    EXPECT_EQ(app.drawn(m.gStateOfCharge.foreColor()), row.gauge);
    EXPECT_EQ(m.TrayIcon.imageList(), row.chargingList);
    EXPECT_EQ(m.lbStateOfCharge.text(), charge);
    EXPECT_EQ(m.caption(), u"charging,  " + charge + u"    ");
    EXPECT_EQ(m.gStateOfCharge.progress(), std::max(row.percent, 0));
    sim.power.setOnAC(reported);
    refresh();
    EXPECT_EQ(m.TrayIcon.imageIndex(), row.levelIndex);
    EXPECT_EQ(app.drawn(m.gStateOfCharge.foreColor()), row.gauge);
    sim.power.setDischarging(reported, 3600);
    refresh();
    EXPECT_EQ(m.TrayIcon.imageIndex(), row.levelIndex);
    EXPECT_EQ(m.icon(), m.imDischarge.image(row.levelIndex));
  }
}

TEST_F(StatusDisplayTest, WithoutThePowerManagerKeysTheHintHasNoThresholdLine) {
  start();
  for (auto set : {+[](sys::sim::SimPower& p) { p.setCharging(50); }, +[](sys::sim::SimPower& p) { p.setOnAC(50); },
                   +[](sys::sim::SimPower& p) { p.setDischarging(50, 600); }}) {
    set(sim.power);
    refresh();
    EXPECT_EQ(main().TrayIcon.hint().find(u"Charging starts"), Text::npos) << utf8(main().TrayIcon.hint());
  }
}

TEST_F(StatusDisplayTest, HintShowsSavedThresholdsWhileTheEditedOnesAreBlue) {
  startWithSaved();
  sim.power.setCharging(50);
  typeInto(main().seHighLevel, u"90");
  main().cbLowLevel.click();
  for (int tick = 0; tick < 3; ++tick) app.advance(1000);
  EXPECT_EQ(main().TrayIcon.hint(),
            u"Kestrane\r\n50%   (AC connected, charging)\r\n"
            u"Charging starts below 40% and stops at 80%.\r\ncharging to 80 %");
  EXPECT_EQ(main().btSaveSettings.font().color, changedColor);
  main().btSaveSettings.click();
  app.advance(1000);
  EXPECT_EQ(main().TrayIcon.hint(),
            u"Kestrane\r\n50%   (AC connected, charging)\r\n"
            u"Charging starts below 40% (inactive) and stops at 90%.\r\ncharging to 90 %");
  EXPECT_EQ(main().btSaveSettings.font().color, tk::kWindowText);
}

// A save that wrote no key set completely: each switch that was tried
// counts as saved, whatever came of it, while the numbers stay the old ones.
TEST_F(StatusDisplayTest, AfterASaveThatFailedPartWayTheHintShowsTheSwitchesTriedAndTheOldNumbers) {
  const Text line = u"Kestrane\r\n50%   (AC connected, charging)\r\n";
  // The key set that applies, the user data key, holds the old numbers or
  // what the save got to write before it failed.
  const std::vector<Text> expected = {
      u"Charging starts below 40% and stops at 80%.\r\ncharging to 80 %",
      u"Charging starts below 40% (inactive) and stops at 80%.\r\ncharging to 80 %",
      u"Charging starts below 40% (inactive) and stops at 80% (inactive).\r\ncharging to 100 %",
      u"Charging starts below 40% (inactive) and stops at 80% (inactive).\r\ncharging to 100 %",
      u"Charging starts below 40% (inactive) and stops at 80% (inactive).\r\ncharging to 100 %",
      u"Charging starts below 40% (inactive) and stops at 80% (inactive).\r\ncharging to 100 %",
  };
  // Every general key set holds the old values again, whatever the save before left.
  auto startAgain = [&] {
    program.reset();
    for (const store::KeySet& keySet : store::generalReadOrder()) seed(keySet, {1, 1, 40, 80});
    start();
    sim.power.setCharging(50);
  };
  for (size_t failing = 0; failing < store::writeOrder().size(); ++failing) {
    SCOPED_TRACE(utf8(store::writeOrder()[failing]));
    startAgain();
    main().cbLowLevel.click();
    main().cbHighLevel.click();
    typeInto(main().seHighLevel, u"90");
    sim.registry.failWhen = [&](const sys::sim::RegCall& call) -> std::optional<sys::Status> {
      if (call.op == sys::sim::RegOp::Set && call.name == store::writeOrder()[failing]) return sys::kWriteFault;
      return std::nullopt;
    };
    main().btSaveSettings.click();
    sim.registry.failWhen = nullptr;
    app.advance(1000);
    EXPECT_EQ(main().TrayIcon.hint(), line + expected[failing]);
    EXPECT_TRUE(valueChanged);
  }
  startAgain();
  main().cbLowLevel.click();
  typeInto(main().seHighLevel, u"90");
  sim.registry.administrator = false;
  main().btSaveSettings.click();
  app.advance(1000);
  EXPECT_EQ(main().TrayIcon.hint(),
            line + u"Charging starts below 40% (inactive) and stops at 90%.\r\ncharging to 80 %")
      << "the user data key took all: everything edited counts as saved; the machine key, which applies, did not";
}

// Whether the thresholds are in effect: a fourth line of the notification
// area's hint, in the room the first three leave it, and the hint of the
// status area. The first showing does without it; the first tick tells it,
// and a save tells that it takes effect after Windows restarts.
TEST_F(StatusDisplayTest, TheHintsSayWhetherTheThresholdsAreInEffect) {
  sim.power.setCharging(86);
  startWithSaved();
  const Text firstThree = u"Kestrane\r\n86%   (AC connected, charging)\r\nCharging starts below 40% and stops at 80%.";
  EXPECT_EQ(main().TrayIcon.hint(), firstThree) << "not at the first showing";
  EXPECT_EQ(main().gStateOfCharge.hint(), u"");
  app.advance(1000);
  EXPECT_EQ(main().TrayIcon.hint(), firstThree + u"\r\nnot in effect: charging past 80 %");
  for (const tk::Control* statusArea : std::initializer_list<const tk::Control*>{
           &main().lbBatteryStatus, &main().lbStateOfCharge, &main().gStateOfCharge}) {
    EXPECT_EQ(statusArea->hint(), u"charging past 80 %: the power manager has not applied your thresholds");
    EXPECT_TRUE(statusArea->showHint());
  }
  sim.registry.writeTime = sim.clock.time;
  typeInto(main().seLowLevel, u"50");
  main().btSaveSettings.click();
  app.advance(1000);
  EXPECT_EQ(main().TrayIcon.hint(),
            u"Kestrane\r\n86%   (AC connected, charging)\r\n"
            u"Charging starts below 50% and stops at 80%.\r\nsaved: takes effect after restart");
  EXPECT_EQ(main().gStateOfCharge.hint(), u"saved, takes effect after Windows restarts");

  sim.power.setDischarging(45, 23 * 3600 + 59 * 60);
  typeInto(main().seHighLevel, u"100");
  main().cbHighLevel.click();
  main().cbLowLevel.click();
  main().btSaveSettings.click();
  app.advance(1000);
  const Text hint = main().TrayIcon.hint();
  EXPECT_EQ(hint.substr(0, hint.rfind(u"\r\n")),
            u"Kestrane\r\n23:59 h left   (discharging, 45%)\r\n"
            u"Charging starts below 50% (inactive) and stops at 100% (inactive).")
      << "the first three lines whole";
  EXPECT_EQ(hint.size(), tk::TrayIcon::kMaxHintLength) << "the fourth line shortened into what is left";
}

// The power manager lists its installed batteries: each gets the thresholds
// Get Values shows for its barcode, its own key set or else the general
// one, and its own state; a key set written since Windows started is not
// in effect yet. A UPS beside them is no battery of the computer. Where
// Windows answers nothing of the battery devices, the system's power status
// stands for one battery.
TEST_F(StatusDisplayTest, EachInstalledBatteryIsToldByTheThresholdsThatApplyToIt) {
  const Text a = u"1ZZ1111AAAA", b = u"2YY2222BBBB";
  seedUserData({1, 1, 40, 80});
  seed(store::userDataKeyOf(a), {1, 1, 30, 70});
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(1), store::kBarcodeNumber, sys::stringValue(a));
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(2), store::kBarcodeNumber, sys::stringValue(b));
  auto device = [](uint32_t powerState, uint32_t capacity) {
    sys::BatteryDevice battery;
    battery.fullChargedCapacity = 50000;
    battery.status = sys::BatteryDevice::ChargeStatus{powerState, capacity};
    return battery;
  };
  constexpr uint32_t kOnAC = sys::BatteryDevice::ChargeStatus::kPowerOnLine;
  constexpr uint32_t kCharging = sys::BatteryDevice::ChargeStatus::kCharging;
  sys::BatteryDevice ups = device(kOnAC, 25000);
  ups.capabilities = 0;
  sim.batteryDevices.devices = {ups, device(kOnAC | kCharging, 37500), device(kOnAC, 39150)};
  std::vector<BatteryEffect> effects = currentEffects();
  ASSERT_EQ(effects.size(), 2u);
  EXPECT_EQ(effects[0].barcode, a);
  EXPECT_EQ(effects[0].applying->keySet, store::userDataKeyOf(a)) << "its own key set";
  EXPECT_EQ(effects[0].effect.text, u"charging past 70 %: the power manager has not applied your thresholds");
  EXPECT_EQ(effects[1].applying->keySet, (store::KeySet{store::kUser, store::kUserDataKey})) << "the general one";
  EXPECT_EQ(effects[1].effect.text, u"held at 78 %: charging resumes below 40 %");
  EXPECT_EQ(effectLine(effects),
            u"1ZZ1111AAAA: charging past 70 %: the power manager has not applied your "
            u"thresholds; 2YY2222BBBB: held at 78 %: charging resumes below 40 %");

  store::removeBattery(a);
  sim.batteryDevices.devices[1] = device(kOnAC | kCharging, 43000);
  effects = currentEffects();
  EXPECT_EQ(effects[0].effect.state, EffectState::Unknown) << "one key set, two batteries that disagree";
  EXPECT_EQ(effects[1].effect, effects[0].effect);

  sim.registry.writeTime = sim.clock.time - sys::sim::SimClock::kHour / 4;
  seedUserData({1, 1, 40, 80});
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(1), store::kBarcodeNumber, sys::stringValue(u""));
  sim.batteryDevices.devices.clear();
  sim.power.setOnAC(78);
  effects = currentEffects();
  ASSERT_EQ(effects.size(), 1u) << "the system's battery";
  EXPECT_EQ(effects[0].barcode, b) << "the first battery the power manager lists";
  EXPECT_EQ(effects[0].effect.state, EffectState::PendingRestart) << "written a quarter of an hour ago";
}

TEST_F(StatusDisplayTest, BatteryButtonNamesTheSelection) {
  startWithSaved();
  EXPECT_EQ(main().btBatteryID.text(), u"Thresholds for all &batteries");
  currentBarcode = u"1ZZ1111AAAA";
  refresh();
  EXPECT_EQ(main().btBatteryID.text(), u"Battery &Barcode: 1ZZ1111AAAA");
}

TEST_F(StatusDisplayTest, NotificationAreaKeepsTheFirst127Characters) {
  startWithSaved();
  currentBarcode = Text(200, u'X');
  tk::TrayIcon& tray = main().TrayIcon;
  tray.setHint(Text(130, u'a'));
  EXPECT_EQ(tray.shownHint(), Text(127, u'a'));
  tray.setHint(Text(127, u'b'));
  EXPECT_EQ(tray.shownHint(), tray.hint());
}

TEST_F(StatusDisplayTest, TimerRefreshesEverySecondAndRestartsAfterEachTick) {
  startWithSaved();
  EXPECT_TRUE(main().BatteryStatusTimer.enabled());
  sim.power.setCharging(30);
  app.advance(999);
  EXPECT_EQ(main().caption(), u"Kestrane   ");
  app.advance(1);
  EXPECT_EQ(main().caption(), u"charging,  30%    ");
  main().BatteryStatusTimer.setEnabled(false);
  main().BatteryStatusTimerTick();
  EXPECT_TRUE(main().BatteryStatusTimer.enabled()) << "a direct tick starts the timer again";
  sim.desktop.windowClasses.insert(u"TAppBuilder");
  sim.power.setCharging(31);
  app.advance(1000);
  EXPECT_EQ(main().caption(), u"charging,  31%    ");
  EXPECT_TRUE(main().BatteryStatusTimer.enabled());
}

// While charging the window icon follows the tray icon at every step.
TEST_F(StatusDisplayTest, AnimationKeepsWindowAndTrayIconTogether) {
  startWithSaved();
  for (int percent : {10, 50, 90}) {
    sim.power.setCharging(percent);
    refresh();
    for (int step = 0; step < 6; ++step) {
      app.advance(1500);
      ASSERT_NE(trayPicture(), nullptr);
      EXPECT_EQ(main().icon(), *trayPicture()) << percent << "% step " << step;
    }
  }
}

// Charging that starts at index 2 left from discharging: the window shows the
// program's main icon for one step, then both icons agree again.
TEST_F(StatusDisplayTest, AnimationStepWithoutAPictureShowsTheMainIconOnce) {
  startWithSaved();
  sim.power.setDischarging(10, 600);
  refresh();
  sim.power.setCharging(10);
  main().BatteryStatusTimer.setEnabled(false);
  refresh();
  ASSERT_EQ(main().TrayIcon.imageIndex(), 2);
  app.advance(1500);
  EXPECT_TRUE(main().icon().empty());
  EXPECT_EQ(main().TrayIcon.imageIndex(), 0);
  app.advance(1500);
  ASSERT_NE(trayPicture(), nullptr);
  EXPECT_EQ(main().icon(), *trayPicture());
}

}  // namespace
}  // namespace kst::testing
