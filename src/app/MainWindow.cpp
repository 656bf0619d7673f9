// Building the main window: its controls at their places, the menu, the
// wiring of every control to its command, and the window's life from
// creation to destruction.
#include "app/MainUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

#include "app/AboutBox.h"
#include "app/Readout.h"
#include "cdrom/ui/MusikCDFUnit.h"
#include "effects/ui/LoudnessDialog.h"
#include "view/ui/SelectionDialog.h"
#include "export/Mp3Lists.h"
#include "formats/AudioFormats.h"
#include "view/ui/PaintBox.h"
#include "view/ui/ProgressPanel.h"

namespace {

// The window cannot work without any of its services; a missing one is a
// programming error caught at once.
MainFormServices Checked(MainFormServices s) {
    if (!s.dialogs || !s.execDialog || !s.encoder || !s.codecs || !s.openSoundDevice ||
        !s.quitApplication || !s.tempFolder || s.programFolder.empty() || !s.cdPlatform)
        throw std::invalid_argument("TMainForm: a platform service is missing");
    return s;
}

QPushButton* MakeButton(QWidget* parent, const char* caption, int x, int y, int w) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setGeometry(x, y, w, 25);
    return b;
}

}  // namespace

TMainForm::TMainForm(MainFormServices services, QWidget* parent)
    : QMainWindow(parent), FServices(Checked(std::move(services))) {
    setWindowTitle(QString::fromUtf8("Quorbel Zirpel-Editor 1.0"));
    setGeometry(228, 193, 696, 480);
    setAcceptDrops(true);
    // The captions were laid out for a small 8-point face.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    BuildControls();
    BuildMenu();
    FDocument.SetListener([this](const zirpel::DocumentChange& change) { DocumentChanged(change); });
    FormCreate();
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::BuildControls() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 4, 4, 0);
    column->setSpacing(4);

    // Top strip: file commands on the left, the MP3 output settings on the right.
    auto* top = new QWidget(central);
    top->setFixedHeight(78);
    OpenBtn = MakeButton(top, "Öffnen...", 4, 4, 180);
    SaveBtn = MakeButton(top, "Speichern...", 4, 32, 180);
    SaveSmallBtn = MakeButton(top, "Als kleiner Zirpel Speichern...", 188, 32, 210);
    MusikCDBtn = MakeButton(top, "Von Musik-CD einlesen...", 188, 4, 210);

    GroupBox1 = new QGroupBox(QString::fromUtf8("MP3 Ausgabe"), top);
    GroupBox1->setGeometry(404, 0, 280, 76);
    auto* l1 = new QLabel(QString::fromUtf8("Samplefrequenz:"), GroupBox1);
    l1->setGeometry(8, 20, 100, 22);
    mp3format = new QComboBox(GroupBox1);
    mp3format->setGeometry(110, 20, 80, 22);
    for (const std::int32_t r : zirpel::kMp3OutputRates) mp3format->addItem(QString::number(r));
    auto* l2 = new QLabel(QString::fromUtf8("kHz"), GroupBox1);
    l2->setGeometry(196, 20, 80, 22);
    auto* l3 = new QLabel(QString::fromUtf8("Bitrate:"), GroupBox1);
    l3->setGeometry(8, 48, 100, 22);
    BitRate = new QComboBox(GroupBox1);
    BitRate->setGeometry(110, 48, 80, 22);
    for (const std::int32_t r : zirpel::kMp3BitRates) BitRate->addItem(QString::number(r));
    auto* l4 = new QLabel(QString::fromUtf8("kBit/Sekunde"), GroupBox1);
    l4->setGeometry(196, 48, 80, 22);
    column->addWidget(top);

    // The readout: times and what the saves will write, where a glance
    // at the MP3 box and the waveform takes it in.
    Readout = new TReadout(central);
    column->addWidget(Readout);

    PageControl1 = new QTabWidget(central);
    TabSheet1 = new QWidget();
    PageControl1->addTab(TabSheet1, QString::fromUtf8("Datei zurechtschneiden"));
    column->addWidget(PageControl1, 1);

    auto* tab = new QVBoxLayout(TabSheet1);
    tab->setContentsMargins(0, 0, 0, 0);
    tab->setSpacing(0);

    Panel1 = new QWidget(TabSheet1);
    Panel1->setFixedHeight(105);
    ZoomKleinerBtn = MakeButton(Panel1, "Kleiner", 8, 8, 97);
    ZoomGroesserBtn = MakeButton(Panel1, "Größer", 112, 8, 121);
    ZoomOutFull = MakeButton(Panel1, "Ganze Datei", 240, 8, 97);
    ZoomInFull = MakeButton(Panel1, "Voller Zoom", 344, 8, 97);
    ZoomSel = MakeButton(Panel1, "Zoom auf Auswahl", 448, 8, 137);
    auto* zoomLabel = new QLabel(QString::fromUtf8("Verkleinerung:"), Panel1);
    zoomLabel->setGeometry(8, 40, 80, 25);
    ZoomOutEd = new QSpinBox(Panel1);
    ZoomOutEd->setGeometry(88, 40, 97, 25);
    ZoomOutEd->setRange(1, 1000000);
    ZoomOutEd->setSingleStep(10);
    ZoomOutEd->setValue(100);
    PlayBtn = MakeButton(Panel1, "PLAY", 240, 40, 73);
    StopBTN = MakeButton(Panel1, "STOP", 320, 40, 73);
    StopBTN->setEnabled(false);
    SchleifeCheck = new QCheckBox(QString::fromUtf8("In einer Schleife kontinuierlich abspielen"), Panel1);
    SchleifeCheck->setGeometry(400, 40, 290, 25);
    SchleifeCheck->setChecked(true);
    // Beside the play controls, in the free end of the zoom row.
    SeamBtn = MakeButton(Panel1, "Übergang anhören", 592, 8, 96);
    // The free end of the row is 96 pixels wide: a smaller face where the
    // caption would not fit.
    for (QFont f = SeamBtn->font(); SeamBtn->sizeHint().width() > 96 && f.pointSize() > 6;) {
        f.setPointSize(f.pointSize() - 1);
        SeamBtn->setFont(f);
    }
    SeamBtn->setToolTip(QString::fromUtf8("Die letzten 2 Sekunden gehen in die ersten 2 über, einmal"));
    CropToSelection = MakeButton(Panel1, "Zur Auswahl zurechtschneiden", 8, 72, 201);
    CutSelectionBtn = MakeButton(Panel1, "Die Auswahl wegschneiden", 216, 72, 201);
    ChangeFormat = MakeButton(Panel1, "Sampleformat ändern...", 424, 72, 161);
    // The size label sits at the right of the last row, where it stays visible.
    Label2 = new QLabel(Panel1);
    Label2->setGeometry(592, 72, 96, 25);
    tab->addWidget(Panel1);

    ScrollBox1 = new QScrollArea(TabSheet1);
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PaintBox1 = new TPaintBox();
    PaintBox1->SetImage(&FViewBitmap);
    ScrollBox1->setWidget(PaintBox1);
    tab->addWidget(ScrollBox1, 1);

    RxSlider1 = new QScrollBar(Qt::Horizontal, TabSheet1);
    RxSlider1->setFixedHeight(17);
    RxSlider1->setRange(0, 100);
    RxSlider1->setSingleStep(10);
    RxSlider1->setPageStep(100);
    RxSlider1->setTracking(true);
    tab->addWidget(RxSlider1);

    setCentralWidget(central);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setFixedHeight(19);
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(StatusBar1);
    StatusPanel0->setFixedWidth(400);
    StatusPanel1 = new TProgressPanel();
    StatusPanel1->OnDrawPanel = [this](QPainter& p, const QRect& r) { StatusBar1DrawPanel(p, r); };
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1, 1);
    setStatusBar(StatusBar1);

    Wire(OpenBtn, &QPushButton::clicked, &TMainForm::OpenBtnClick);
    Wire(SaveBtn, &QPushButton::clicked, &TMainForm::SaveBtnClick);
    Wire(SaveSmallBtn, &QPushButton::clicked, &TMainForm::SaveSmallBtnClick);
    Wire(ZoomKleinerBtn, &QPushButton::clicked, &TMainForm::ZoomKleinerBtnClick);
    Wire(ZoomGroesserBtn, &QPushButton::clicked, &TMainForm::ZoomGroesserBtnClick);
    Wire(ZoomOutFull, &QPushButton::clicked, &TMainForm::ZoomOutFullClick);
    Wire(ZoomInFull, &QPushButton::clicked, &TMainForm::ZoomInFullClick);
    Wire(ZoomSel, &QPushButton::clicked, &TMainForm::ZoomSelClick);
    Wire(ZoomOutEd, &QSpinBox::valueChanged, &TMainForm::ZoomOutEdChange);
    Wire(RxSlider1, &QScrollBar::valueChanged, &TMainForm::RxSlider1Change);
    Wire(PlayBtn, &QPushButton::clicked, &TMainForm::PlayBtnClick);
    Wire(StopBTN, &QPushButton::clicked, &TMainForm::StopBTNClick);
    Wire(SeamBtn, &QPushButton::clicked, &TMainForm::UebergangAnhoerenClick);
    Wire(mp3format, &QComboBox::currentIndexChanged, &TMainForm::RefreshReadout);
    Wire(BitRate, &QComboBox::currentIndexChanged, &TMainForm::RefreshReadout);
    Wire(CropToSelection, &QPushButton::clicked, &TMainForm::CropToSelectionClick);
    Wire(CutSelectionBtn, &QPushButton::clicked, &TMainForm::CutSelectionBtnClick);
    // The view reports the mouse and its size; the window decides what they mean.
    connect(PaintBox1, &TPaintBox::mousePressed, this,
            [this](int x) { RunCommand([this, x] { PaintBox1MouseDown(x); }); });
    connect(PaintBox1, &TPaintBox::mouseMoved, this, [this](int x, bool left) {
        RunCommand([this, x, left] { PaintBox1MouseMove(x, left); });
    });
    connect(PaintBox1, &TPaintBox::mouseReleased, this,
            [this](int x) { RunCommand([this, x] { PaintBox1MouseUp(x); }); });
    // The bitmap follows the widget's size; a resize redraws it at the new
    // size without touching the scroll range.
    connect(PaintBox1, &TPaintBox::resized, this, [this] { RunCommand([this] { PaintBox1Paint(); }); });
    Wire(MusikCDBtn, &QPushButton::clicked, &TMainForm::MusikCDBtnClick);
    Wire(ChangeFormat, &QPushButton::clicked, &TMainForm::ChangeFormatClick);
}

void TMainForm::BuildMenu() {
    QMenuBar* bar = menuBar();
    MenuDatei = bar->addMenu(QString::fromUtf8("Datei"));
    AddMenuCommand(MenuDatei, QString::fromUtf8("Öffnen..."), &TMainForm::OpenBtnClick);
    AddMenuCommand(MenuDatei, QString::fromUtf8("Speichern..."), &TMainForm::SaveBtnClick);
    AddMenuCommand(MenuDatei, QString::fromUtf8("Als kleiner Zirpel Speichern..."),
                   &TMainForm::SaveSmallBtnClick);
    MenuDatei->addSeparator();
    AddMenuCommand(MenuDatei, QString::fromUtf8("Von Musik-CD einlesen..."), &TMainForm::MusikCDBtnClick);
    MenuDatei->addSeparator();
    AddMenuCommand(MenuDatei, QString::fromUtf8("Beenden"), &TMainForm::Beenden1Click);

    MenuBearbeiten = bar->addMenu(QString::fromUtf8("Bearbeiten"));
    BuildUndoCommands();
    AddEffectCommand(MenuBearbeiten, zirpel::EffectRow<zirpel::EffectIndex("crop")>());
    AddEffectCommand(MenuBearbeiten, zirpel::EffectRow<zirpel::EffectIndex("cut")>());
    MenuBearbeiten->addSeparator();
    AddMenuCommand(MenuBearbeiten, QString::fromUtf8("Nichts auswählen"),
                   &TMainForm::SelectNothingBtnClick);
    MenuBearbeiten->addSeparator();
    AddEffectCommand(MenuBearbeiten, zirpel::EffectRow<zirpel::EffectIndex("format")>());
    MenuBearbeiten->addSeparator();
    AddMenuCommand(MenuBearbeiten, QString::fromUtf8("Auswahl festlegen..."), &TMainForm::AuswahlFestlegenClick);
    AddMenuCommand(MenuBearbeiten, QString::fromUtf8("Klingelton-Auswahl vorschlagen"),
                   &TMainForm::KlingeltonVorschlagenClick);

    MenuAnsicht = bar->addMenu(QString::fromUtf8("Ansicht"));
    AddMenuCommand(MenuAnsicht, QString::fromUtf8("Ganze Datei"), &TMainForm::ZoomOutFullClick);
    AddMenuCommand(MenuAnsicht, QString::fromUtf8("Voller Zoom"), &TMainForm::ZoomInFullClick);
    AddMenuCommand(MenuAnsicht, QString::fromUtf8("Zoom auf Auswahl"), &TMainForm::ZoomSelClick);
    MenuAnsicht->addSeparator();
    AddMenuCommand(MenuAnsicht, QString::fromUtf8("Kleiner"), &TMainForm::ZoomKleinerBtnClick);
    AddMenuCommand(MenuAnsicht, QString::fromUtf8("Größer"), &TMainForm::ZoomGroesserBtnClick);

    MenuEffekte = bar->addMenu(QString::fromUtf8("Effekte"));
    // Opening the menu is the title's own click: it scrolls the view back.
    Wire(MenuEffekte, &QMenu::aboutToShow, &TMainForm::BackBtnClick);
    // The effect table's "Effekte" rows in their order, a separator between groups.
    const zirpel::EffectEntry* previous = nullptr;
    for (const zirpel::EffectEntry& row : zirpel::EffectTable()) {
        if (row.menu != zirpel::EffectMenu::Effects) continue;
        if (previous && previous->group != row.group) MenuEffekte->addSeparator();
        AddEffectCommand(MenuEffekte, row);
        previous = &row;
    }
    // After the table's rows (the last of them is "Lautheit angleichen...").
    AddMenuCommand(MenuEffekte, QString::fromUtf8("Übergang anhören"), &TMainForm::UebergangAnhoerenClick);

    MenuHilfe = bar->addMenu(QString::fromUtf8("Hilfe"));
    AddMenuCommand(MenuHilfe, QString::fromUtf8("Über das Programm..."),
                   &TMainForm::berdasProgramm1Click);
}

template <typename Sender, typename Signal>
void TMainForm::Wire(Sender* sender, Signal signal, void (TMainForm::*handler)()) {
    connect(sender, signal, this, [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
}

QAction* TMainForm::AddMenuCommand(QMenu* menu, const QString& caption, void (TMainForm::*handler)()) {
    QAction* action = menu->addAction(caption);
    Wire(action, &QAction::triggered, handler);
    return action;
}

QAction* TMainForm::AddEffectCommand(QMenu* menu, const zirpel::EffectEntry& row) {
    QAction* action = menu->addAction(QString::fromUtf8(row.caption.data(), static_cast<qsizetype>(row.caption.size())));
    connect(action, &QAction::triggered, this, [this, &row] { RunCommand([this, &row] { RunEffect(row); }); });
    return action;
}

void TMainForm::FormCreate() {
    mp3format->setCurrentIndex(1);
    BitRate->setCurrentIndex(11);
    FViewBitmap = QImage();
    SelectionForm = new TSelectionForm(this);
    LoudnessForm = new TLoudnessForm(this);
    RunCommand([this] { SetUpPlayback(); });
    RunCommand([this] { EnumerateCodecFormats(); });
}

bool TMainForm::FormCloseQuery() {
    return FServices.dialogs->messageBox(
               "Hiermit beenden Sie das Programm! Alle nicht gespeicherten Daten gehen verloren!",
               "Programm beenden", zirpel::MsgButtons::OkCancel, zirpel::MsgIcon::Information) ==
           zirpel::MsgResult::Ok;
}

void TMainForm::FormClose() { FStopRequested = true; }

void TMainForm::FormDestroy() {
    FStopRequested = true;
    ReleasePlayback();
    FDocument.SetListener({});
    FDocument.Release();
    FViewBitmap = QImage();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!FTerminating && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

namespace {

// The one local audio file (of a kind the format table knows) a drag
// carries, or an empty string.
QString DroppedAudioFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().first();
    if (!url.isLocalFile()) return {};
    const QString path = url.toLocalFile();
    return zirpel::FormatOfFileName(path.toStdString()) ? path : QString();
}

}  // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedAudioFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QString path = DroppedAudioFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    RunCommand([this, &path] { OpenFile(path.toStdString()); });
}

void TMainForm::ShowNote(const std::string& text) { Readout->SetNote(QString::fromStdString(text)); }

void TMainForm::Beenden1Click() { close(); }

void TMainForm::berdasProgramm1Click() {
    if (AboutBox) ExecDialog(*AboutBox);
}

void TMainForm::Terminate() {
    FTerminating = true;
    FormClose();
    if (MusikCDForm) MusikCDForm->Terminate();
    // Every event loop ends, nested ones (a running play or import, a
    // modal box) included; the loops see the stop request on their way out.
    QCoreApplication::exit(0);
}

