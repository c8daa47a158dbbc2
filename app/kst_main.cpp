#include "app/kst_main.h"

#include "resources/identified_controls.h"

namespace kst {

namespace {

void place(tk::Control& control, int left, int top, int width, int height) {
  control.setBounds({left, top, width, height});
}

// The buttons of the main window stand in one column.
void placeButton(tk::Button& button, const Text& caption, int top, int tabOrder) {
  tk::placeButton(button, caption, {252, top, 97, 23}, tabOrder);
}

}  // namespace

Tkst_mainform::Tkst_mainform(tk::Application& app) : tk::Form(app, "Tkst_mainform") {
  createLayout();
  bindEvents();
  buildTrayMenu();
  onCreate = [this] { FormCreate(); };
  identifyControls(*this);
  finishCreate();
}

Tkst_mainform::~Tkst_mainform() = default;

void Tkst_mainform::createLayout() {
  setClientSize(367, 161);
  hasSystemMenu = true;
  hasMinimizeBox = true;
  ownsTaskbarButton = true;
  keyPreview = true;
  showHints = true;

  place(bvSettings, 8, 8, 228, 147);
  place(bvSplit, 8, 108, 228, 47);
  place(bvButtons, 244, 8, 115, 147);

  place(btBatteryID, 20, 16, 204, 30);
  btBatteryID.setHint(u" click here to choose battery ", true);
  btBatteryID.tabOrder = 0;
  btBatteryID.tabStop = true;

  layOutThreshold({.box = cbHighLevel,
                   .label = lbHighLevel,
                   .edit = seHighLevel,
                   .percent = lbHighLevelPercent,
                   .caption = u" &High Charging Threshold:",
                   .labelWidth = 126,
                   .tops = {.box = 57, .label = 58, .edit = 54, .percent = 59},
                   .range = store::kHighRange,
                   .initial = 100,
                   .editTabOrder = 1,
                   .boxTabOrder = 9,
                   .name = u"High charging threshold",
                   .switchName = u"Use the high charging threshold"});
  layOutThreshold({.box = cbLowLevel,
                   .label = lbLowLevel,
                   .edit = seLowLevel,
                   .percent = lbLowLevelPercent,
                   .caption = u" &Low Charging Threshold:",
                   .labelWidth = 124,
                   .tops = {.box = 80, .label = 81, .edit = 78, .percent = 82},
                   .range = store::kLowRange,
                   .initial = 1,
                   .editTabOrder = 2,
                   .boxTabOrder = 8,
                   .name = u"Low charging threshold",
                   .switchName = u"Use the low charging threshold"});
  focus(&seHighLevel);
  layOutStatusArea();
  layOutButtons();
  makeTrayPictures();
  TrayIcon.setImageList(&imNoBattery);
  TrayIcon.setImageIndex(0);
  TrayIcon.setHint(app().title());
  TrayIcon.setAnimate(true);
}

// One threshold's row: the switch, its label, the spin edit and "%". What
// screen readers call the controls without text of their own comes with it.
void Tkst_mainform::layOutThreshold(const ThresholdRow& row) {
  place(row.box, 24, row.tops.box, 13, 13);
  row.box.setChecked(true);
  row.box.tabOrder = row.boxTabOrder;
  row.box.accessibleName = row.switchName;
  row.label.setText(row.caption);
  place(row.label, 40, row.tops.label, row.labelWidth, 13);
  row.label.focusControl = &row.box;
  row.label.leftOf = &row.edit;
  row.edit.minValue = row.range.minimum;
  row.edit.maxValue = row.range.maximum;
  row.edit.setValue(row.initial);
  place(row.edit, 169, row.tops.edit, 42, 22);
  row.edit.tabOrder = row.editTabOrder;
  row.edit.tabStop = true;
  row.edit.accessibleName = row.name;
  row.percent.setText(u"%");
  place(row.percent, 213, row.tops.percent, 11, 13);
}

void Tkst_mainform::layOutStatusArea() {
  lbBatteryStatus.setText(u"unknown status");
  place(lbBatteryStatus, 24, 113, 120, 13);
  lbStateOfCharge.setText(u"unknown");
  lbStateOfCharge.rightAligned = true;
  lbStateOfCharge.transparent = true;
  place(lbStateOfCharge, 147, 113, 50, 13);
  place(gStateOfCharge, 20, 130, 204, 17);
  gStateOfCharge.setProgress(75);
  gStateOfCharge.setBackColor(gaugeBackground);
  gStateOfCharge.setForeColor(gaugeGreen);
  gStateOfCharge.setHint(Text(), true);
  gStateOfCharge.accessibleName = u"State of charge";
  lbNoBattery.setText(u"no battery present");
  place(lbNoBattery, 76, 124, 100, 13);
  lbNoBattery.setFontColor(noBatteryColor);
}

void Tkst_mainform::layOutButtons() {
  placeButton(btGetValues, u"&Get Values", 16, 7);
  placeButton(btSaveSettings, u"&Save Settings", 42, 3);
  btSaveSettings.ownerDrawnCaption = true;
  placeButton(btOptions, u"I&nfo", 70, 4);
  placeButton(btHelp, u"H&elp", 96, 5);
  placeButton(btExit, u"E&xit", 124, 6);
  btExit.isCancel = true;
}

void Tkst_mainform::bindEvents() {
  onKeyPress = [this](char16_t& key) { FormKeyPress(key); };
  onShow = [this] {
    FormShow();
    centreInWorkArea();
  };
  onCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
  btBatteryID.onClick = [this] { btBatteryIDClick(); };
  cbHighLevel.onEnter = [this] { cbHighLevelEnter(); };
  lbHighLevel.onClick = [this] { cbHighLevelEnter(); };
  seHighLevel.onChange = [this] { seHighLevelChange(); };
  seHighLevel.onExit = [this] { seHighLevelExit(); };
  cbLowLevel.onEnter = [this] { cbLowLevelEnter(); };
  lbLowLevel.onClick = [this] { cbLowLevelEnter(); };
  seLowLevel.onChange = [this] { seLowLevelChange(); };
  seLowLevel.onExit = [this] { seLowLevelExit(); };
  btGetValues.onClick = [this] { btGetValuesClick(); };
  btSaveSettings.onClick = [this] { btSaveSettingsClick(); };
  btOptions.onClick = [this] { btOptionsClick(); };
  btHelp.onClick = [this] { btHelpClick(); };
  btExit.onClick = [this] { btExitClick(); };
  TrayIcon.onMouseDown = [this](tk::MouseButton button, int x, int y) { TrayIconMouseDown(button, x, y); };
  TrayIcon.onAnimate = [this] { TrayIconAnimate(); };
  BatteryStatusTimer.onTimer = [this] { BatteryStatusTimerTick(); };
  onDpiChange = [this] { redrawStatePictures(); };
  onThemeChange = [this] { redrawStatePictures(); };
  TrayIcon.onShellRestart = [this] { redrawStatePictures(); };
}

void Tkst_mainform::FormCreate() {
  setCaption(captionAtCreation());
  autoCorrectEnabled = false;
  valueChanged = false;
}

void Tkst_mainform::FormKeyPress(char16_t& key) {
  if (key == tk::key::kEscape) btExitClick();
}

void Tkst_mainform::btExitClick() { close(); }

SavedThresholds Tkst_mainform::savedThresholds() const {
  return {cbLowLevel.tag, cbHighLevel.tag, seLowLevel.tag, seHighLevel.tag};
}

}  // namespace kst
