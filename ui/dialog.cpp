#include "ui/dialog.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/strings.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_rects.h"
#include "platform/appkit/animation.h"
#include "platform/appkit/notifications.h"
#include "platform/appkit/run_loop.h"
#include "polyhedra/polyhedron_params.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"
#include "shell/defaults.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "shell/settings_persistence.h"
#include "shell/settings_files.h"
#include "ui/control_enabling.h"
#include "ui/hover_button.h"
#include "ui/mode_menu.h"
#include "ui/preview_manager.h"
#include "ui/preview_zoom.h"
#include "ui/proxy_view.h"
#include "ui/pyramid_images.h"
#include "pyramid/picture_reading.h"
#include "pyramid/pyramid.h"
#include "shell/settings_file.h"
#include "solids/kept_solids.h"
#include "platform/host/filter_record.h"
#include "ui_panoDialog.h"

namespace {

Controller_Tarnwhistle_pano*& SharedController() {
    static Controller_Tarnwhistle_pano* controller = nullptr;
    return controller;
}

void Log(const char* text) { DialogTrace("%s", text); }

// Number fields: one locale, no grouping, at most three decimals.
QString FormatFloat(float v) {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator);
    QString s = c.toString(double(v), 'f', 3);
    if (s.contains('.')) {
        while (s.endsWith('0')) s.chop(1);
        if (s.endsWith('.')) s.chop(1);
    }
    if (s == "-0") s = "0";
    return s;
}

// Each pop-up item carries the value of its field (the output menu skips
// the codes without a mode); a value without an item selects none.
void SelectField(QComboBox* popup, int32_t value) {
    if (popup) popup->setCurrentIndex(popup->findData(value));
}

// A pop-up showing no item leaves its field as it was.
void ReadField(QComboBox* popup, int32_t* field) {
    if (popup && popup->currentIndex() >= 0) *field = popup->currentData().toInt();
}

// Items with the values 1, 2, 3... in order.
void FillNumbered(QComboBox* popup, const QStringList& captions) {
    popup->clear();
    for (int i = 0; i < captions.size(); ++i) popup->addItem(captions[i], i + 1);
}

// Previews saved with settings and dots are taken at this many points a
// side; the dot thumbnail shows previews of this many pixels.
constexpr int kSavedPreviewPoints = 240;
constexpr int64_t kThumbnailPixels = 128;

// Memory dot frames: top-left corners in the container, y downward.
constexpr int kMemdotMargin = 8;
constexpr int kMemdotSide = 8;
constexpr int kMemdotXY[kMemoryDots][2] = {
    {8, 0},     {12, 12},   {12, 24},   {8, 37},    {4, 50},    {0, 63},    {0, 76},   {4, 88},   {11, 99},
    {19, 109},  {30, 117},  {42, 126},  {55, 132},  {70, 136},  {85, 136},  {99, 132}, {112, 126}, {124, 117},
    {133, 105}, {139, 92},  {143, 77},  {143, 62},  {139, 48},  {133, 35},  {124, 23},
};

// Modes this build cannot render stay in their menu, greyed, with the
// reason as their tooltip.
void GreyRefusedItem(QComboBox* popup, int index, const std::string& why) {
    auto* model = qobject_cast<QStandardItemModel*>(popup->model());
    if (QStandardItem* item = model ? model->item(index) : nullptr) {
        item->setEnabled(false);
        item->setToolTip(QString::fromStdString(why));
    }
}

// An input layout's reason: the factory settings with that one mode.
void MarkRefusedInputModes(QComboBox* popup) {
    auto factory = std::make_unique<Parameters>();
    GrabDefaultSettings(factory.get());
    for (int i = 0; i < popup->count(); ++i) {
        const int32_t mode = popup->itemData(i).toInt();
        if (InputModeIsRenderable(mode)) continue;
        Parameters probe = *factory;
        probe.inputMode = mode;
        GreyRefusedItem(popup, i, WhatThisBuildCannotRender(probe));
    }
}

// Why this build refuses the de-halo switch, or empty when it draws it.
std::string DehaloRefusal() {
    static const std::string why = [] {
        auto probe = std::make_unique<Parameters>();
        GrabDefaultSettings(probe.get());
        probe->dehalo = 1;
        return WhatThisBuildCannotRender(*probe);
    }();
    return why;
}

// The next item from index by increment that the user may choose, wrapping
// around; index itself when there is none.
int NextEnabledItem(const QComboBox* popup, int index, int increment) {
    const auto* model = qobject_cast<const QStandardItemModel*>(popup->model());
    const int n = popup->count();
    int i = index;
    for (int step = 0; step < n; ++step) {
        i += increment;
        if (i < 0) i = n - 1;
        if (i >= n) i = 0;
        const QStandardItem* item = model ? model->item(i) : nullptr;
        if (!item || item->isEnabled()) return i;
    }
    return index;
}

}  // namespace

bool PreviewCanRender(std::string* why) {
    if (!gParams) return false;
    std::string missing = WhatThisBuildCannotRender(*gParams);
    if (missing.empty()) return true;
    if (why) *why = std::move(missing);
    return false;
}

void DialogTrace(const char* format, ...) {
    static const bool tracing = std::getenv("VORNESK_TRACE") != nullptr;
    if (!tracing) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

// ---- the shared instance ----

Controller_Tarnwhistle_pano* Controller_Tarnwhistle_pano::sharedInstance() {
    Controller_Tarnwhistle_pano*& c = SharedController();
    if (!c) {
        c = new Controller_Tarnwhistle_pano();
        c->init_further();
    }
    return c;
}

bool Controller_Tarnwhistle_pano::exists() { return SharedController() != nullptr; }

void Controller_Tarnwhistle_pano::releaseSharedInstance() {
    delete SharedController();
    SharedController() = nullptr;
}

Controller_Tarnwhistle_pano::Controller_Tarnwhistle_pano() { MemoryDotArray.reserve(kMemoryDots); }

Controller_Tarnwhistle_pano::~Controller_Tarnwhistle_pano() {
    NSNotificationCenter_removeObserver(this);
    NSObject_cancelPreviousPerformRequests(this);
    if (proxyPreview) NSObject_cancelPreviousPerformRequests(proxyPreview);
    delete dissolveWindow;
}

void Controller_Tarnwhistle_pano::init_further() {
    ppm = std::make_unique<ProgressivePreviewManager>();
    if (gData) gData->suspendPreview = 1;
    Q_INIT_RESOURCE(resources);
    dissolveWindow = new Window();
    Ui::panoDialog form;
    form.setupUi(dissolveWindow);
    findOutlets();
    findSheetOutlets();
    connectActions();
    connectSheetActions();
    connectFileActions();
    if (gData) gData->suspendPreview = 0;
    gNeverDrewProxy = true;
    currentPresetFilenameUnicode = "";
    NSNotificationCenter_addObserver(this, kNewPresetNameNotification, [this](const NSUserInfo& info) {
        const auto name = info.find(kPresetNameKey);
        if (name != info.end()) presetNameChanged(QString::fromStdString(name->second));
    });
}

void Controller_Tarnwhistle_pano::findOutlets() {
    Window* w = dissolveWindow;
    auto find = [w](auto*& outlet, const char* name) {
        outlet = w->findChild<std::remove_reference_t<decltype(*outlet)>*>(name);
    };
    find(proxyPreview, "proxyPreview");
    find(zoom_in, "zoom_in");
    find(zoom_out, "zoom_out");
    find(zoom_100, "zoom_100");
    find(zoom_percent, "zoom_percent");
    find(latitude, "latitude");
    find(longitude, "longitude");
    find(spin, "spin");
    find(FOV, "FOV");
    find(tabs, "tabs");
    find(sharpen, "sharpen");
    find(latitude_text, "latitude_text");
    find(longitude_text, "longitude_text");
    find(spin_text, "spin_text");
    find(FOV_text, "FOV_text");
    find(tabs_text, "tabs_text");
    find(sharpen_text, "sharpen_text");
    find(flip, "flip");
    find(transparent_gaps, "transparent_gaps");
    find(indicatrix, "indicatrix");
    find(faces, "faces");
    find(anamorph, "anamorph");
    find(dehalo, "dehalo");
    find(edges, "edges");
    find(line_color, "line_color");
    find(tab_color, "tab_color");
    find(background_color, "background_color");
    find(previewquality, "previewquality");
    find(grid, "grid");
    find(input_popup, "input_popup");
    find(output_popup, "output_popup");
    find(glue_all, "glue_all");
    find(previewquality_stepper, "previewquality_stepper");
    find(grid_stepper, "grid_stepper");
    find(input_stepper, "input_stepper");
    find(output_stepper, "output_stepper");
    find(glue_stepper_all, "glue_stepper_all");
    find(ok, "ok");
    find(cancel, "cancel");
    find(undo, "undo");
    find(dice, "dice");
    find(constrained, "constrained");
    find(randomseed, "randomseed");
    find(factory, "factory");
    find(little_planet, "little_planet");
    find(export_faces, "export_faces");
    find(preset_name, "preset_name");
    find(MemdotContainer, "MemdotContainer");
    find(MemdotThumbnailBox, "MemdotThumbnailBox");
    find(MemdotThumbnail, "MemdotThumbnail");
    // The zoom label is as wide as its widest text ("100%", zoom never passes
    // it) from the start: a wider text would widen the window.
    if (zoom_percent)
        zoom_percent->setMinimumWidth(zoom_percent->fontMetrics().horizontalAdvance("100%") +
                                      2 * zoom_percent->margin() + 2);
    // The sliders' ranges, increments and continuity are properties of the layout.
    for (Slider* s : {latitude, longitude, spin, FOV, tabs, sharpen}) {
        if (!s) continue;
        s->setRange(s->property("minValue").toDouble(), s->property("maxValue").toDouble(),
                    s->property("increment").toDouble());
        s->setContinuous(s->property("continuous").toBool());
    }
}

void Controller_Tarnwhistle_pano::connectActions() {
    if (dissolveWindow) {
        dissolveWindow->closeClicked = [this] { mainCloseButtonClicked(); };
        dissolveWindow->cancelKey = [this] { cancelPressed(); };
    }
    for (Slider* s : {latitude, longitude, spin, FOV, tabs, sharpen})
        if (s) s->action = [this](QWidget* sender) { slidersMoved(static_cast<Slider*>(sender)); };
    for (TextField* t : {latitude_text, longitude_text, spin_text, FOV_text, tabs_text, sharpen_text})
        if (t) t->keyUp = [this](TextField* field) { textFieldKeyUp(field); };
    for (QCheckBox* c : {flip, transparent_gaps, indicatrix, faces, anamorph, dehalo, edges})
        if (c) SetAction(c, [this](QWidget*) { controlsChangedSoUpdatePreview(); });
    for (QComboBox* p : std::initializer_list<QComboBox*>{previewquality, grid, input_popup, output_popup, glue_all})
        if (p) SetAction(p, [this](QWidget*) { controlsChangedSoUpdatePreview(); });
    const std::pair<Stepper*, QComboBox*> steppers[] = {{input_stepper, input_popup},
                                                        {output_stepper, output_popup},
                                                        {previewquality_stepper, previewquality},
                                                        {grid_stepper, grid},
                                                        {glue_stepper_all, glue_all}};
    for (auto [stepper, popup] : steppers)
        if (stepper) stepper->action = [this, popup = popup](QWidget* s) {
            nudgePopupsIndexBy(getIncrementFromStepper(static_cast<Stepper*>(s)), popup);
        };
    for (ColorWell* well : {line_color, tab_color, background_color})
        if (well) well->action = [this](QWidget* sender) {
            if (sender == tab_color) Log("Pressed tab color");
            if (sender == background_color) Log("Pressed background color");
            waitAWhileAndThenRefreshProxy(sender);
        };
    const std::pair<QPushButton*, void (Controller_Tarnwhistle_pano::*)()> buttons[] = {
        {ok, &Controller_Tarnwhistle_pano::okPressed},
        {cancel, &Controller_Tarnwhistle_pano::cancelPressed},
        {undo, &Controller_Tarnwhistle_pano::undo_pressed},
        {dice, &Controller_Tarnwhistle_pano::dice_pressed},
        {constrained, &Controller_Tarnwhistle_pano::constrained_pressed},
        {randomseed, &Controller_Tarnwhistle_pano::randomseed_pressed},
        {factory, &Controller_Tarnwhistle_pano::factory_pressed},
        {little_planet, &Controller_Tarnwhistle_pano::little_planet_pressed},
        {zoom_in, &Controller_Tarnwhistle_pano::zoom_in_pressed},
        {zoom_out, &Controller_Tarnwhistle_pano::zoom_out_pressed},
        {zoom_100, &Controller_Tarnwhistle_pano::zoom_100_pressed},
    };
    for (auto [button, method] : buttons)
        if (button) SetAction(button, [this, method = method](QWidget*) { (this->*method)(); });
    if (MemdotThumbnail)
        SetAction(MemdotThumbnail, [this](QWidget*) {
            ReactToMemdotThumbnailPressed(ModifierFlagsFromQt(QGuiApplication::keyboardModifiers()));
        });
}

// ---- lifecycle ----

void Controller_Tarnwhistle_pano::startingUp() {
    Log("startingUp");
    nowActive = true;
}

void Controller_Tarnwhistle_pano::shuttingDown() {
    Log("shuttingDown");
    nowActive = false;
}

void Controller_Tarnwhistle_pano::warmup() {
    prepareControls();
    if (proxyPreview) {
        proxyPreview->pleaseClearImmediately = false;
        proxyPreview->setNeedsDisplay();
    }
}

void Controller_Tarnwhistle_pano::beginShowWindow() {
    Log("showWindow ••••");
    gNeverDrewProxy = true;
    NSApp_setIdleWork([this] {
        // The picture's smaller levels made off this thread take the coarse
        // copy's place: the preview is made again from the whole picture.
        if (PictureBeingRead() && !ReadPictureStep(gData) && !PictureBeingRead() && proxyPreview)
            proxyPreview->setNeedsDisplay();
        if (proxyPreview) proxyPreview->displayIfNeeded();
    });
    NSApp_beginModal(dissolveWindow);
    // Solids built while the dialog is up are kept, so that going back to
    // one (after an export's build, say) costs nothing.
    KeepSolidsBuilt(true);
    warmup();
    // A large picture is read a band a pass of the loop, the previews
    // reading a coarse copy meanwhile.
    if (gParams && BeginReadingPictureInSteps(gData, gParams->proxyScale)) ReadPictureBands();
}

void Controller_Tarnwhistle_pano::ReadPictureBands() {
    DispatchToDialogLoop([this] {
        if (ReadPictureStep(gData)) ReadPictureBands();
    });
}

int Controller_Tarnwhistle_pano::endShowWindow() {
    const int code = NSApp_endModal();
    NSApp_setIdleWork(nullptr);
    KeepSolidsBuilt(false);
    if (SharedColorPanelExists()) CloseSharedColorPanel();
    if (dissolveWindow) dissolveWindow->hide();
    return code;
}

int Controller_Tarnwhistle_pano::showWindow() {
    beginShowWindow();
    while (NSApp_modalPass(true)) {
    }
    return endShowWindow();
}

void Controller_Tarnwhistle_pano::cancelPressed() {
    killPendingRequests();
    ppm->abortAnyPreviewAndThenDoBlockSynchronously([this] {
        Log("cancel pressed");
        NSApp_stopModalWithCode(0);
        if (proxyPreview) {
            proxyPreview->pleaseClearImmediately = true;
            proxyPreview->setNeedsDisplay();
        }
    });
}

void Controller_Tarnwhistle_pano::mainCloseButtonClicked() { cancelPressed(); }

void Controller_Tarnwhistle_pano::okPressed() {
    killPendingRequests();
    dismissTheMainGUI();
}

void Controller_Tarnwhistle_pano::dismissTheMainGUI() {
    ppm->abortAnyPreviewAndThenDoBlockSynchronously([this] {
        if (MemdotThumbnail) MemdotThumbnail->setIcon(QIcon());
        delete mondoBar;
        mondoBar = nullptr;
        NSApp_stopModalWithCode(1);
        if (proxyPreview) {
            proxyPreview->pleaseClearImmediately = true;
            proxyPreview->setNeedsDisplay();
        }
    });
}

void Controller_Tarnwhistle_pano::killPendingRequests() {
    NSObject_cancelPreviousPerformRequests(this);
    if (proxyPreview) NSObject_cancelPreviousPerformRequests(proxyPreview);
}

// ---- controls ----

void Controller_Tarnwhistle_pano::prepareControls() {
    if (previewquality) FillNumbered(previewquality, {"good", "better", "best"});
    if (grid) FillNumbered(grid, {"none", "5°", "6°", "10°", "15°", "30°", "45°"});
    // Every mode the catalogue knows, numbered and grouped by family, those
    // this build refuses greyed.
    if (output_popup) output_popup->setEntries(OutputModeMenuEntries());
    if (input_popup) {
        input_popup->clear();
        for (int m = 1; m <= kInputModeCount; ++m) input_popup->addItem(QString::fromUtf8(VorneskInputModeName(m)), m);
        MarkRefusedInputModes(input_popup);
    }
    if (glue_all) {
        glue_all->clear();
        for (int g = 1; g <= kGlueModeCount; ++g) glue_all->addItem(QString::fromUtf8(GlueCaption(g)), g);
    }
    MakeEverythingUsable();
    addMondoProgress();
    if (proxyPreview) prepareProxyMetrics(proxyPreview->width(), proxyPreview->height(), proxyPreview->retinaScale());
    nameForSaving = myLocalizedStringFor("DefaultSettingsName");
    changeDisplayedPresetName(nameForSaving);
    if (MemdotThumbnail) MemdotThumbnail->setIcon(QIcon());
    InitMemoryDots();
    buildMemdots();
    TouchPersistentMemdots();
    Settings2Controls_Cocoa();
    if (proxyPreview) {
        proxyPreview->show();
        proxyPreview->setNeedsDisplay();
    }
    NSObject_performSelectorAfterDelay(this, "fixZoomersHilitesEasy", nullptr, 0.1, [this] { fixZoomersHilitesEasy(); });
}

void Controller_Tarnwhistle_pano::Settings2Controls_Cocoa() {
    Parameters* p = gParams;
    if (!p) return;
    const std::pair<Slider*, float> sliders[] = {{latitude, p->latitude}, {longitude, p->longitude}, {spin, p->spin},
                                                 {FOV, p->FOV},           {tabs, p->tabs},           {sharpen, p->sharpen}};
    for (auto [slider, value] : sliders)
        if (slider) slider->setFloatValue(value);
    const std::pair<QCheckBox*, int32_t> checks[] = {{flip, p->flip},           {transparent_gaps, p->transparent_gaps},
                                                     {indicatrix, p->indicatrix}, {faces, p->faces},
                                                     {anamorph, p->anamorph},   {dehalo, p->dehalo},
                                                     {edges, p->edges}};
    for (auto [box, state] : checks)
        if (box) box->setChecked(state != 0);
    if (line_color) line_color->setColor(p->line_color);
    if (tab_color) tab_color->setColor(p->tab_color);
    if (background_color) background_color->setColor(p->background_color);
    SelectField(previewquality, p->previewquality);
    SelectField(grid, p->grid);
    SelectField(input_popup, p->inputMode);
    SelectField(output_popup, p->outputMode);
    SelectField(glue_all, p->glueMode);
    copySlidersToText();
    adjustHilites();
}

void Controller_Tarnwhistle_pano::Controls2Settings_Cocoa() {
    Parameters* p = gParams;
    if (!p) return;
    copySlidersToText();
    const std::pair<Slider*, float*> sliders[] = {{latitude, &p->latitude}, {longitude, &p->longitude},
                                                  {spin, &p->spin},         {FOV, &p->FOV},
                                                  {tabs, &p->tabs},         {sharpen, &p->sharpen}};
    for (auto [slider, field] : sliders)
        if (slider) *field = slider->floatValue();
    const std::pair<QCheckBox*, int32_t*> checks[] = {
        {flip, &p->flip},     {transparent_gaps, &p->transparent_gaps}, {indicatrix, &p->indicatrix},
        {faces, &p->faces},   {anamorph, &p->anamorph},                 {dehalo, &p->dehalo},
        {edges, &p->edges}};
    for (auto [box, field] : checks)
        if (box) *field = box->isChecked() ? 1 : 0;
    if (line_color) p->line_color = line_color->color();
    if (tab_color) p->tab_color = tab_color->color();
    if (background_color) p->background_color = background_color->color();
    ReadField(previewquality, &p->previewquality);
    ReadField(grid, &p->grid);
    ReadField(input_popup, &p->inputMode);
    ReadField(output_popup, &p->outputMode);
    ReadField(glue_all, &p->glueMode);
    adjustHilites();
}

void Controller_Tarnwhistle_pano::adjustHilites() {
    if (!gParams) return;
    HiliteLogic(gParams->outputMode);
    if (gData && gData->storage) {
        const int64_t* t = gData->storage->controlEnabling;
        for (QWidget* w : std::initializer_list<QWidget*>{FOV, FOV_text})
            if (w) w->setEnabled(t[kItemFieldOfView] != 0);
        for (QWidget* w : std::initializer_list<QWidget*>{tabs, tabs_text})
            if (w) w->setEnabled(t[kItemTabs] != 0);
    }
    if (faces) {
        polyhedron_params pp{};
        get_polyhedron_params_from_output_mode(gParams->outputMode, &pp);
        faces->setEnabled(pp.shapeCode != -1);
    }
    // A switch this build refuses is greyed with the reason, as refused
    // modes are; turned on by loaded settings, it stays usable to turn off.
    if (dehalo) {
        const std::string refused = DehaloRefusal();
        dehalo->setEnabled(refused.empty() || dehalo->isChecked());
        dehalo->setToolTip(QString::fromStdString(refused));
    }
    // Settings this build cannot render can be neither accepted nor exported:
    // the buttons say why.
    std::string why;
    const bool renders = PreviewCanRender(&why);
    const QString reason = renders ? QString() : QString::fromStdString(why);
    for (QPushButton* b : RenderingButtons()) {
        if (b == export_faces && renders && gData && gData->storage)
            b->setEnabled(gData->storage->controlEnabling[kItemExportFaces] != 0);
        else
            b->setEnabled(renders);
        b->setToolTip(reason);
    }
}

std::vector<QPushButton*> Controller_Tarnwhistle_pano::RenderingButtons() const {
    std::vector<QPushButton*> buttons;
    if (ok) buttons.push_back(ok);
    if (export_faces) buttons.push_back(export_faces);
    for (const char* name : {"psdexport", "PSDWithSize", "cube_export", "lego"})
        if (auto* b = dissolveWindow ? dissolveWindow->findChild<QPushButton*>(name) : nullptr) buttons.push_back(b);
    return buttons;
}

void Controller_Tarnwhistle_pano::copySlidersToText() {
    const std::pair<Slider*, TextField*> pairs[] = {{latitude, latitude_text}, {longitude, longitude_text},
                                                    {spin, spin_text},         {FOV, FOV_text},
                                                    {tabs, tabs_text},         {sharpen, sharpen_text}};
    for (auto [slider, text] : pairs)
        if (slider && text) text->setText(FormatFloat(slider->floatValue()));
}

void Controller_Tarnwhistle_pano::copyTextToSliders() {
    const std::pair<Slider*, TextField*> pairs[] = {{latitude, latitude_text}, {longitude, longitude_text},
                                                    {spin, spin_text},         {FOV, FOV_text},
                                                    {tabs, tabs_text},         {sharpen, sharpen_text}};
    for (auto [slider, text] : pairs)
        if (slider && text) slider->takeFloatValueFrom(text->text());
}

void Controller_Tarnwhistle_pano::slidersMoved(Slider* sender) {
    copySlidersToText();
    NSObject_cancelPreviousPerformRequests(this, "sliderEnded:", sender);
    NSObject_performSelectorAfterDelay(this, "sliderEnded:", sender, 0.0, [this] { controlsChangedSoUpdatePreview(); });
}

int Controller_Tarnwhistle_pano::getIncrementFromStepper(Stepper* stepper) {
    const int value = stepper->intValue();
    stepper->setIntValue(0);
    return value > 0 ? -1 : 1;
}

void Controller_Tarnwhistle_pano::nudgePopupsIndexBy(int increment, QComboBox* popup) {
    if (!popup || popup->count() == 0) return;
    // Steps over the modes this build cannot render.
    popup->setCurrentIndex(NextEnabledItem(popup, popup->currentIndex(), increment));
    controlsChangedSoUpdatePreview();
}

void Controller_Tarnwhistle_pano::textFieldKeyUp(TextField*) {
    // The sheets' fields have their own key handling.
    copyTextToSliders();
    waitAWhileAndThenRefreshProxy(nullptr);
}

// ---- refresh and commands ----

void Controller_Tarnwhistle_pano::controlsChangedSoUpdatePreview() {
    if (!gData || !gData->storage) {
        Log("nil storage, so bailing.");
        return;
    }
    Controls2Settings_Cocoa();
    UndoSnapshotCocoa(1);
    updateProxy();
}

void Controller_Tarnwhistle_pano::gSettings_ChangedSoUpdatePreview() {
    UndoSnapshotCocoa(1);
    Settings2Controls_Cocoa();
    updateProxy();
}

void Controller_Tarnwhistle_pano::updateProxy() {
    if (proxyPreview) ppm->requestNewProgressivePreviewForGUIItem(proxyPreview);
}

void Controller_Tarnwhistle_pano::waitAWhileAndThenRefreshProxy(const void*) {
    // Only the pending refresh is replaced; other delayed calls stay.
    NSObject_cancelPreviousPerformRequests(this, "delayedRefreshProxy:", nullptr);
    Log("waiting...");
    NSObject_performSelectorAfterDelay(this, "delayedRefreshProxy:", nullptr, 1.0, [this] {
        Log("in delayedRefreshProxy");
        controlsChangedSoUpdatePreview();
    });
}

void Controller_Tarnwhistle_pano::undo_pressed() {
    if (!gParams) return;
    char name[kPresetNameLength];
    std::memcpy(name, gParams->presetName, sizeof name);
    UndoReadCocoa();
    std::memcpy(gParams->presetName, name, sizeof name);
    Settings2Controls_Cocoa();
    updateProxy();
}

namespace {

void RoadOfANamedCommand(Controller_Tarnwhistle_pano* c, const char* key) {
    c->changeDisplayedPresetName(Controller_Tarnwhistle_pano::myLocalizedStringFor(key));
    c->Settings2Controls_Cocoa();
    c->controlsChangedSoUpdatePreview();
}

}  // namespace

void Controller_Tarnwhistle_pano::dice_pressed() {
    if (!gParams) return;
    RandomizeSettings(gParams);
    RoadOfANamedCommand(this, "RandomSettings");
}

void Controller_Tarnwhistle_pano::constrained_pressed() {
    Log("Pressed constrained button");
    if (!gParams) return;
    RandomizeSettingsConstrained(gParams);
    RoadOfANamedCommand(this, "RandomSettings");
}

void Controller_Tarnwhistle_pano::randomseed_pressed() {
    if (!gParams) return;
    gParams->randomSeed = int32_t(random() & 2047);
    RoadOfANamedCommand(this, "RandomSettings");
}

void Controller_Tarnwhistle_pano::factory_pressed() {
    Log("Pressed factory button");
    if (!gParams) return;
    gParams->latitude = gParams->longitude = gParams->spin = 0.0f;
    gParams->latitudeDegrees = gParams->longitudeDegrees = gParams->spinDegrees = 0;
    Settings2Controls_Cocoa();
    controlsChangedSoUpdatePreview();
}

void Controller_Tarnwhistle_pano::little_planet_pressed() {
    if (!gParams) return;
    GrabSpecializedSettings(gParams);
    RoadOfANamedCommand(this, "little planet");
}

void Controller_Tarnwhistle_pano::makeLabelAnimatable(QWidget* view) {
    CATransitionFade_addToView(view, "changeTextTransition", 0.5);
}

void Controller_Tarnwhistle_pano::changeDisplayedPresetName(const QString& name) {
    makeLabelAnimatable(preset_name);
    if (preset_name && !name.isNull()) preset_name->setText(name);
}

void Controller_Tarnwhistle_pano::presetNameChanged(const QString& name) { SetCurrentPresetFilenameToNSString(name); }

void Controller_Tarnwhistle_pano::SetCurrentPresetFilenameToNSString(const QString& name) {
    currentPresetFilenameUnicode = name;
    CloneUnicodePresetNameToCPresetName();
}

void Controller_Tarnwhistle_pano::CloneUnicodePresetNameToCPresetName() {
    if (!gParams) return;
    // Mac Roman, one byte per character, so any cut falls between
    // characters; what Mac Roman lacks becomes "?"; always terminated.
    char* out = gParams->presetName;
    int n = 0;
    for (QChar ch : currentPresetFilenameUnicode) {
        if (n >= kPresetNameLength - 1) break;
        if (ch.isLowSurrogate()) continue;
        const int32_t byte = ch.isHighSurrogate() ? -1 : UnicodeToMacRoman(ch.unicode());
        out[n++] = byte > 0 ? char(byte) : '?';
    }
    out[n] = 0;
    CloneCPresetNameToUnicodePresetName(gParams);
}

// ---- zoom ----

void Controller_Tarnwhistle_pano::zoom_in_pressed() {
    if (!gParams || !gData) return;
    const int32_t s = gParams->proxyScale;
    if (ZoomingSupported() && s >= 2) {
        PreserveProxyCentering(gData, s, s - 1);
        gParams->proxyScale = s - 1;
        SetUpFilterRecordForProxy(gData, gParams->proxyScale);
        gParams->previewChanged = 1;
        FixZoomers(gData);
        fixZoomersHilitesEasy();
        controlsChangedSoUpdatePreview();
        return;
    }
    FixZoomers(gData);
    fixZoomersHilitesEasy();
}

void Controller_Tarnwhistle_pano::zoom_out_pressed() {
    if (!gParams || !gData) return;
    int64_t changed = 0;
    Handle3Zoomers(gData, kItemZoomOut, &changed);
    FixZoomers(gData);
    fixZoomersHilitesEasy();
    if (changed) controlsChangedSoUpdatePreview();
}

void Controller_Tarnwhistle_pano::zoom_100_pressed() {
    Log("Pressed zoom 100 button");
    if (!gParams || !gData) return;
    if (ZoomingSupported()) {
        PreserveProxyCentering(gData, gParams->proxyScale, 1);
        gParams->proxyScale = 1;
        SetUpFilterRecordForProxy(gData, 1);
        gParams->previewChanged = 1;
        FixZoomers(gData);
        fixZoomersHilitesEasy();
    }
    controlsChangedSoUpdatePreview();
}

void Controller_Tarnwhistle_pano::fixZoomersHilitesEasy() {
    if (!gData || !gData->storage || !gParams) return;
    const int64_t* t = gData->storage->controlEnabling;
    if (zoom_in) zoom_in->setEnabled(t[kItemZoomIn] != 0);
    if (zoom_out) zoom_out->setEnabled(t[kItemZoomOut] != 0);
    if (zoom_100) zoom_100->setEnabled(t[kItemZoom100] != 0);
    // The button says what it does; the label beside it shows the zoom.
    if (zoom_percent) zoom_percent->setText(QString("%1%").arg(gParams->proxyScale ? 100 / gParams->proxyScale : 0));
}

void Controller_Tarnwhistle_pano::prepareProxyMetrics(double width, double height, double scale) {
    if (!gData || !gParams) return;
    const VRect request{0, 0, int32_t(height * scale), int32_t(width * scale)};
    const VRect filter = GetFilterRect();
    const int16_t factor = CalcDefaultProxyScaleFactor(filter, request, nullptr, nullptr);
    gData->zoomDivisorCopy = factor;
    gParams->proxyScale = factor;
    ClampProxyOffsets(gData, factor);
}

// ---- memory dots ----

const char* Controller_Tarnwhistle_pano::MemdotImageName(uint16_t state, bool persistent) {
    switch (state) {
        case 0: return "memdot-clear-circle";
        case 1: return persistent ? "memdot-blue-circle" : "memdot-blue-square";
        case 2: return persistent ? "memdot-orange-circle" : "memdot-orange-square";
        default: return "";
    }
}

void Controller_Tarnwhistle_pano::InitMemoryDots() {
    MemDotStatus.fill(0);
    CurrentlyHoveringOverMemoryDot = RecentlyHoveringOverMemoryDot = -1;
}

void Controller_Tarnwhistle_pano::buildMemdots() {
    for (HoverButton* b : MemoryDotArray) delete b;
    MemoryDotArray.clear();
    if (!MemdotContainer) return;
    for (int slot = 0; slot < kMemoryDots; ++slot) {
        auto* button = new HoverButton_Tarnwhistle_pano(MemdotContainer);
        button->setGeometry(kMemdotMargin + kMemdotXY[slot][0], kMemdotMargin + kMemdotXY[slot][1], kMemdotSide,
                            kMemdotSide);
        button->setIconSize(QSize(kMemdotSide, kMemdotSide));
        button->setObjectName(QString("memdot%1").arg(slot));
        button->tag = slot;
        button->action = [this, button](QWidget*) { ReactToClickOnMemoryDot(button->tag, button->clickModifiers()); };
        button->show();
        MemoryDotArray.push_back(button);
    }
    if (MemdotThumbnailBox) MemdotThumbnailBox->move(kMemdotMargin + 21, kMemdotMargin + 27);
    MemdotContainer->show();
}

void Controller_Tarnwhistle_pano::TouchPersistentMemdots() {
    for (int slot = 0; slot < kMemoryDots; ++slot)
        if (MemDotIsPersistent[slot]) MemDotStatus[slot] = 1;
    for (int slot = 0; slot < kMemoryDots; ++slot) MakeMemoryDotItemLookDifferent(slot);
}

void Controller_Tarnwhistle_pano::MakeMemoryDotItemLookDifferent(int slot) {
    slot = std::clamp(slot, 0, kMemoryDots - 1);
    if (slot >= int(MemoryDotArray.size())) return;
    const char* name = MemdotImageName(MemDotStatus[slot], MemDotIsPersistent[slot] != 0);
    HoverButton* button = MemoryDotArray[slot];
    button->setProperty("imageName", QString(name));
    button->setIcon(*name ? QIcon(QString(":/pano/%1.png").arg(name)) : QIcon());
    button->setToolTip(MemdotTooltip(slot));
    button->update();
}

QString Controller_Tarnwhistle_pano::MemdotTooltip(int slot) const {
    const QString number = QString("dot %1").arg(slot + 1);
    const bool filled = MemDotStatus[slot] == 1 || MemDotStatus[slot] == 2;
    if (!filled) return number + ": empty. " + myLocalizedStringFor("MemdotTooltip");
    // What the dot holds: its settings' modes, read from its file.
    QString holds = "settings whose file cannot be read";
    const int fd = open(FileZerp_Get2019MemoryDotsFilePathForIndex(slot).c_str(), O_RDONLY);
    if (fd >= 0) {
        auto kept = std::make_unique<Parameters>();
        GrabDefaultSettings(kept.get());
        if (ReadSettingsFile(fd, kept.get(), true, nullptr, nullptr, nullptr) == 0)
            holds = QString::fromStdString(OutputModeCaption(kept->outputMode)) + " from " +
                    QString::fromUtf8(VorneskInputModeName(kept->inputMode));
        close(fd);
    }
    return number + ": " + holds + (MemDotIsPersistent[slot] ? ", kept across runs" : ", kept for this session") +
           (MemDotStatus[slot] == 2 ? ", in use. " : ". ") + myLocalizedStringFor("MemdotTooltipFilled");
}

void Controller_Tarnwhistle_pano::MakeNoMemoryDotCurrent() {
    for (int slot = 0; slot < kMemoryDots; ++slot)
        if (MemDotStatus[slot] == 2) {
            MemDotStatus[slot] = 1;
            MakeMemoryDotItemLookDifferent(slot);
        }
}

void Controller_Tarnwhistle_pano::ANewMemdotBecomesCurrent(int slot) {
    MakeNoMemoryDotCurrent();
    MemDotStatus[slot] = 2;
    MakeMemoryDotItemLookDifferent(slot);
}

int Controller_Tarnwhistle_pano::GetNonpersistentMemdot() const {
    for (int slot = 0; slot < kMemoryDots; ++slot)
        if (!MemDotIsPersistent[slot]) return slot;
    return -1;
}

void Controller_Tarnwhistle_pano::DoTotalMemoryDotSave(int slot) {
    if (slot < 0 || slot >= kMemoryDots) return;
    if (proxyPreview) BuildPreviewFromNSImage(proxyPreview->previewWithPointSize(kSavedPreviewPoints));
    SaveToMemoryDotCocoa(slot);
    ANewMemdotBecomesCurrent(slot);
    CurrentlyHoveringOverMemoryDot = -1;
    ReactToHoverOverMemoryDot(slot, true, true);
}

void Controller_Tarnwhistle_pano::DoTotalMemoryDotLoad(int slot) {
    if (slot < 0 || slot >= kMemoryDots || !gParams) return;
    // A dot whose file is gone keeps the settings and becomes empty.
    const std::string path = FileZerp_Get2019MemoryDotsFilePathForIndex(slot);
    FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(path, FileZerp_GetLegacyMemoryDotsFilePathForIndex(slot));
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else {
        MemDotStatus[slot] = 0;
        MemDotIsPersistent[slot] = 0;
        MakeMemoryDotItemLookDifferent(slot);
        return;
    }
    char name[kPresetNameLength];
    std::snprintf(name, sizeof name, "dot %d", slot + 1);
    SetCurrentPresetFilenameToNSString(QString::fromLatin1(name));
    changeDisplayedPresetName(currentPresetFilenameUnicode);
    LoadFromMemoryDotCocoa(slot);
    // The dot's file does not rename the preset.
    CloneUnicodePresetNameToCPresetName();
    MakeNoMemoryDotCurrent();
    ANewMemdotBecomesCurrent(slot);
    gSettings_ChangedSoUpdatePreview();
}

void Controller_Tarnwhistle_pano::StashFirstMemdot() {
    const int slot = GetNonpersistentMemdot();
    if (slot == -1) return;
    DoTotalMemoryDotSave(slot);
    ShowThumbnailForMemdot(slot, false);
}

void Controller_Tarnwhistle_pano::finishedDrawingProxy() {
    if (!gNeverDrewProxy) return;
    gNeverDrewProxy = false;
    StashFirstMemdot();
    if (MemdotContainer) MemdotContainer->show();
}

void Controller_Tarnwhistle_pano::ReactToClickOnMemoryDot(int slot, uint32_t modifiers) {
    if (slot < 0 || slot >= kMemoryDots) return;
    const bool filled = MemDotStatus[slot] == 1 || MemDotStatus[slot] == 2;
    if (!filled) {
        MemDotIsPersistent[slot] = (modifiers & NSEventModifierFlagControl) ? 0 : 1;
        DoTotalMemoryDotSave(slot);
    } else if (modifiers & NSEventModifierFlagOption) {
        MemDotStatus[slot] = 0;
        MemDotIsPersistent[slot] = 0;
        MakeMemoryDotItemLookDifferent(slot);
        ReactToHoverOverEmptyMemoryDot(true);
    } else if (modifiers & NSEventModifierFlagControl) {
        MemDotIsPersistent[slot] = 0;
        MakeMemoryDotItemLookDifferent(slot);
    } else {
        DoTotalMemoryDotLoad(slot);
    }
}

void Controller_Tarnwhistle_pano::ReactToMemdotThumbnailPressed(uint32_t modifiers) {
    if (modifiers & (NSEventModifierFlagOption | NSEventModifierFlagControl)) return;
    if (RecentlyHoveringOverMemoryDot != -1) DoTotalMemoryDotLoad(RecentlyHoveringOverMemoryDot);
}

void Controller_Tarnwhistle_pano::ReactToHoverOverMemoryDot(int slot, bool full, bool animated) {
    if (!full) {
        ReactToHoverOverEmptyMemoryDot(animated);
        return;
    }
    if (slot == CurrentlyHoveringOverMemoryDot) return;
    ShowThumbnailForMemdot(slot, animated);
}

void Controller_Tarnwhistle_pano::ShowThumbnailForMemdot(int slot, bool animated) {
    if (slot < 0 || slot >= kMemoryDots) return;
    LoadMemoryDotGraphicsIntoMemdotThumbnail(slot, animated);
    CurrentlyHoveringOverMemoryDot = RecentlyHoveringOverMemoryDot = slot;
}

namespace {

void FadeThumbnail(QWidget* thumbnail, bool animated) {
    CATransitionFade_addToView(thumbnail, "changeImage", animated ? 0.25 : 0.08);
}

}  // namespace

void Controller_Tarnwhistle_pano::LoadMemoryDotGraphicsIntoMemdotThumbnail(int slot, bool animated) {
    if (!MemdotThumbnail) return;
    const std::string path = FileZerp_Get2019MemoryDotsFilePathForIndex(slot);
    FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(path, FileZerp_GetLegacyMemoryDotsFilePathForIndex(slot));
    // A dot file that cannot be read, or has no preview, leaves the thumbnail as it is.
    int16_t error = 0;
    const int fd = FileZerp_OpenAFilePath(path, 0, 0, &error);
    if (fd < 0) return;
    QImage picture;
    PyramidDescriptor thumb{};
    InitPyramidProcs(&thumb, gFilterRecord ? gFilterRecord->bufferProcs : nullptr);
    if (LoadPresetPreviewIntoPyr_Thingie(fd, &thumb, gData, kThumbnailPixels)) picture = NSImageFromPyr(&thumb);
    DisposePyramidData(&thumb);
    if (picture.isNull()) return;
    MemdotThumbnail->setIconSize(MemdotThumbnail->size());
    FadeThumbnail(MemdotThumbnail, animated);
    MemdotThumbnail->setIcon(QIcon(QPixmap::fromImage(picture)));
}

void Controller_Tarnwhistle_pano::ReactToHoverOverEmptyMemoryDot(bool animated) {
    if (MemdotThumbnail) {
        FadeThumbnail(MemdotThumbnail, animated);
        MemdotThumbnail->setIcon(QIcon());
    }
    CurrentlyHoveringOverMemoryDot = RecentlyHoveringOverMemoryDot = -1;
}

// ---- strings ----

QString Controller_Tarnwhistle_pano::myLocalizedStringFor(const QString& key) {
    static QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        Q_INIT_RESOURCE(resources);
        QFile f(":/pano/strings.txt");
        if (!f.open(QIODevice::ReadOnly)) return t;
        for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
            // "key" = "text"
            const int k0 = line.indexOf('"'), k1 = line.indexOf('"', k0 + 1);
            const int v0 = line.indexOf('"', k1 + 1), v1 = line.lastIndexOf('"');
            if (line.startsWith('#') || k0 != 0 || k1 < 0 || v0 < 0 || v1 <= v0) continue;
            t.insert(line.mid(1, k1 - 1), line.mid(v0 + 1, v1 - v0 - 1));
        }
        return t;
    }();
    return table.value(key, key);
}

// ---- plain entries ----

int initializeCocoaDissolve() {
    Log("initializeCocoaDissolve");
    Controller_Tarnwhistle_pano::sharedInstance()->startingUp();
    return 0;
}
