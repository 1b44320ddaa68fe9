// Construction of the main window: its components, laid out in code in one place, and the
// defaults every field starts from.
#include "app/createavi.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/qt/controls.h"
#include "platform/qt/cursors.h"

namespace {

QToolBar* MakeToolBar(QWidget* parent, const char* name)
{
    auto* bar = new QToolBar(parent);
    bar->setObjectName(name);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setContentsMargins(0, 0, 0, 0);
    return bar;
}

QToolButton* MakeToolButton(QToolBar* bar, const char* name, const QString& hint, QStyle::StandardPixmap icon)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(bar->style()->standardIcon(icon));
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

} // namespace

TAVIForm::TAVIForm(std::vector<std::string> arguments, QWidget* parent)
    : QMainWindow(parent), arguments_(std::move(arguments))
{
    // 1. The window and its components, as the form layout has them.
    CreateComponents();

    // 2. Owned objects; every per-frame sequence starts empty.
    RecentFiles.clear();
    TextFont = std::make_unique<TFont>();
    PreviewBitmap = std::make_unique<TBitmap>();
    PlaybackBitmap.reset();
    OutputGif = nullptr;

    // 3. Defaults for new frames and the run's flags.
    DefaultGifOptions = GIFOPTIONS{0, 7, 8, 0, 0, clWhite, 0, false};
    DefaultPlacement.Left = 0;
    DefaultPlacement.Top = 0;
    OptionsChanged = false;
    GifOptionsForFrames = false;
    ProjectStretch = false;
    AddSound = false;
    PreviewRunning = false;
    ShowJpegOptions = true;
    ShowPngOptions = true;
    ShowBmpOptions = true;
    ShowAniGifOptions = true;
    ShowGifOptions = true;
    ShowAviOptions = true;
    ShowCodecDialog = true;
    SoundLength = 0;

    // 4. Strip geometry.
    CellWidth = 170;
    CellHeight = 150;
    CellHeaderHeight = 20;
    CellTimeHeight = 20;
    ThumbWidth = CellWidth - 2;
    ThumbHeight = CellHeight - CellHeaderHeight - CellTimeHeight - 2;
    ScrollBox2->verticalScrollBar()->setSingleStep(CellHeight + 4);

    // 5. Where the program lives.
    ProgramFolder = QCoreApplication::applicationDirPath().toStdString();
    if (ProgramFolder.empty() || ProgramFolder.back() != '/')
        ProgramFolder += '/';
    HelpCommandLine = " " + ProgramFolder + "help.chm";
    WavFile = "";

    // 6. The text-frame dialog's cursor.
    SetScreenCursor(1, LoadCursorResource(1009));

    // 7. Window size, default frame size, recent projects.
    LoadSettings();

    // 8.
    setWindowTitle("Kelvo");

    // 9. No project is shown yet. (Qt paints every widget double-buffered.)
    PanelImage->setGeometry(0, 0, 0, 0);
    PanelImage->hide();

    // 10. A stored size that comes within 40 pixels of the screen means maximised.
    {
        const int screenWidth = Screen().Width();
        const int screenHeight = Screen().Height();
        if (screenWidth - 40 > OuterWidth() && screenHeight - 40 > OuterHeight())
            setWindowState(windowState() & ~Qt::WindowMaximized);
        else
            setWindowState(windowState() | Qt::WindowMaximized);
    }

    // 11. ScrollBox1 is double-buffered like every Qt widget.

    // 12.
    timeGetDevCaps(&TimerCaps, sizeof TimerCaps);

    // 13.
    PreviewLeft = 0;
    PreviewTop = 0;
    *PreviewBitmap = TBitmap();

    // 14.
    ScreenDepthBytes = ScreenBytesPerPixel();
    BmpPixelFormat = ScreenDepthBytes == 3 ? pf24bit : pf32bit;

    // 15. Single-frame output.
    PngTransparentColor = clWhite;
    PngInterlaced = false;
    PngCompressionLevel = 9;
    JpegQuality = 100;
    GifSaveCompression = 0;
    GifSaveTransparent = false;
    GifSaveDither = 0;
    GifSaveReductionBits = 8;
    GifSaveReduction = 7;
    GifSaveTransparentColor = clWhite;

    // 16. Project.
    GifFrameTime = 500;
    AviFrameTime = 1000;
    GifInterlaced = false;
    GifMerge = false;
    GifCrop = false;
    GifOptimize = false;
    ProjectType = 0;
    GifLoopCount = 0;

    // 17. The output save dialog.
    OutputDialogTitle = "Сохранить в AVI или GIF файл";
    SaveDialog1->Title = OutputDialogTitle;
    SaveDialog1->Filter = "Audio/Video Interleaved file(*.avi)|*.avi|Animated GIF(*.gif)|*.gif";

    // 18.
    if (!RecentFiles.empty() && !RecentFiles.front().empty())
        ListItem0->setEnabled(true);

    // 19. The project named on the command line opens once the window is up.
    if (!arguments_.empty())
        PostMessage(WM_OPENCOMMANDLINE);

    AVIForm = this;
}

void TAVIForm::CreateComponents()
{
    setObjectName("AVIForm");

    // ---- Actions
    ActionSaveProject = new QAction("Сохранить проект", this);
    ActionSaveProject->setObjectName("ActionSaveProject");
    ActionSaveProject->setShortcut(QKeySequence("Ctrl+S"));
    ActionSaveProject->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    ActionSaveProject->setEnabled(false);
    ActionSaveAs = new QAction("Сохранить как", this);
    ActionSaveAs->setObjectName("ActionSaveAs");
    ActionSaveAs->setIcon(style()->standardIcon(QStyle::SP_DriveFDIcon));
    ActionSaveAs->setEnabled(false);

    // ---- Menus
    FileMenu = menuBar()->addMenu("Файл");
    ItemNew = FileMenu->addAction("Новый проект");
    ItemNew->setObjectName("ItemNew");
    ItemNew->setShortcut(QKeySequence("Ctrl+N"));
    ItemOpen = FileMenu->addAction("Открыть проект");
    ItemOpen->setObjectName("ItemOpen");
    ItemOpen->setShortcut(QKeySequence("Ctrl+O"));
    FileMenu->addAction(ActionSaveProject);
    ItemSaveProject = ActionSaveProject;
    FileMenu->addAction(ActionSaveAs);
    ItemSaveAs = ActionSaveAs;
    FileMenu->addSeparator();
    ItemProjectOptions = FileMenu->addAction("Настройки проекта");
    ItemProjectOptions->setObjectName("ItemProjectOptions");
    ItemProjectOptions->setShortcut(QKeySequence("Ctrl+P"));
    ItemProjectOptions->setEnabled(false);
    FileMenu->addSeparator();
    ReopenItem = FileMenu->addMenu("Последние проекты");
    ReopenItem->setObjectName("ReopenItem");
    QAction** items[] = {&ListItem0, &ListItem1, &ListItem2, &ListItem3, &ListItem4};
    for (int i = 0; i < 5; ++i) {
        QAction* item = ReopenItem->addAction(i == 0 ? "(пусто)" : "");
        item->setObjectName(QString("ListItem%1").arg(i));
        item->setEnabled(i != 0);
        item->setVisible(i == 0);
        *items[i] = item;
    }
    ListItem0->setEnabled(false);
    FileMenu->addSeparator();
    ItemExit = FileMenu->addAction("Выход");
    ItemExit->setObjectName("ItemExit");
    ItemExit->setShortcut(QKeySequence("Ctrl+X"));
    connect(ItemExit, &QAction::triggered, this, [this] { ItemExitClick(); });

    EditMenu = menuBar()->addMenu("Редактирование");
    EffectsMenu = menuBar()->addMenu("Эффекты");
    TestMenu = menuBar()->addMenu("Тестирование");
    HelpMenu = menuBar()->addMenu("Помощь");

    // ---- The central area: toolbars on top, the strip at the left, the preview beside it,
    // the message log underneath.
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    ControlBar1 = new QWidget(central);
    ControlBar1->setObjectName("ControlBar1");
    ControlBar1->setFixedHeight(54);
    column->addWidget(ControlBar1);

    ToolBar3 = MakeToolBar(ControlBar1, "ToolBar3");
    ToolButNew = MakeToolButton(ToolBar3, "ToolButNew", "Новый проект", QStyle::SP_FileIcon);
    ToolButOpen = MakeToolButton(ToolBar3, "ToolButOpen", "Открыть проект", QStyle::SP_DialogOpenButton);
    ToolButProjectOptions = MakeToolButton(ToolBar3, "ToolButProjectOptions", "Настройки проекта",
                                           QStyle::SP_FileDialogDetailedView);
    ToolButProjectOptions->setEnabled(false);
    ToolButSaveProject = MakeToolButton(ToolBar3, "ToolButSaveProject", "Сохранить проект",
                                        QStyle::SP_DialogSaveButton);
    ToolButSaveProject->setDefaultAction(ActionSaveProject);
    ToolButSaveAs = MakeToolButton(ToolBar3, "ToolButSaveAs", "Сохранить как", QStyle::SP_DriveFDIcon);
    ToolButSaveAs->setDefaultAction(ActionSaveAs);

    ToolBar4 = MakeToolBar(ControlBar1, "ToolBar4");
    ToolBar2 = MakeToolBar(ControlBar1, "ToolBar2");
    ToolBarEffect = MakeToolBar(ControlBar1, "ToolBarEffect");
    ToolBar5 = MakeToolBar(ControlBar1, "ToolBar5");
    ToolBar1 = MakeToolBar(ControlBar1, "ToolBar1");
    Panel1 = new TPanel(ControlBar1);
    Panel1->setObjectName("Panel1");
    Panel1->SetBevel(bvLowered);
    Panel1->setCursor(Qt::PointingHandCursor);
    // Only the file toolbar is there before a project exists.
    for (QWidget* w : {static_cast<QWidget*>(ToolBar4), static_cast<QWidget*>(ToolBar2),
                       static_cast<QWidget*>(ToolBarEffect), static_cast<QWidget*>(ToolBar5),
                       static_cast<QWidget*>(ToolBar1), static_cast<QWidget*>(Panel1)})
        w->hide();

    auto* body = new QWidget(central);
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    column->addWidget(body, 1);

    ScrollBox2 = new QScrollArea(body);
    ScrollBox2->setObjectName("ScrollBox2");
    ScrollBox2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScrollBox2->setFixedWidth(170 + 8 + ScrollBox2->verticalScrollBar()->sizeHint().width() + 4);
    auto* strip = new QWidget;
    strip->setObjectName("ScrollBox2Content");
    strip->resize(170 + 8, 0);
    ScrollBox2->setWidget(strip);
    ScrollBox2->setWidgetResizable(false);
    row->addWidget(ScrollBox2);

    ScrollBox1 = new QScrollArea(body);
    ScrollBox1->setObjectName("ScrollBox1");
    auto* preview = new QWidget;
    preview->setObjectName("ScrollBox1Content");
    ScrollBox1->setWidget(preview);
    ScrollBox1->setWidgetResizable(true);
    PanelImage = new TPanel(preview);
    PanelImage->setObjectName("PanelImage");
    PanelImage->SetBevel(bvSpace, bvLowered);
    PanelImage->SetColor(clSilver);
    PaintBox1 = new QWidget(PanelImage);
    PaintBox1->setObjectName("PaintBox1");
    auto* fill = new QHBoxLayout(PanelImage);
    fill->setContentsMargins(2, 2, 2, 2);
    fill->addWidget(PaintBox1);
    row->addWidget(ScrollBox1, 1);

    PanelBottom = new TPanel(central);
    PanelBottom->setObjectName("PanelBottom");
    PanelBottom->SetBevel(bvNone);
    PanelBottom->setFixedHeight(90);
    Memo1 = new QPlainTextEdit(PanelBottom);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    auto* memoFill = new QHBoxLayout(PanelBottom);
    memoFill->setContentsMargins(0, 0, 0, 0);
    memoFill->addWidget(Memo1);
    Splitter1 = new TSplitter(PanelBottom, central);
    Splitter1->setObjectName("Splitter1");
    column->addWidget(Splitter1);
    column->addWidget(PanelBottom);
    PanelBottom->hide();
    Splitter1->hide();

    setCentralWidget(central);

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->AddPanel(200);
    StatusBar1->AddPanel(45, taCenter);
    StatusBar1->AddPanel(120);
    StatusBar1->AddPanel(140);
    StatusBar1->AddPanel(120);
    setStatusBar(StatusBar1);

    OpenDialog1 = std::make_unique<TOpenDialog>();
    OpenDialog1->Filter = "Project files (*.mcp)|*.mcp";
    SaveDialog1 = std::make_unique<TSaveDialog>();
    SaveDialog2 = std::make_unique<TSaveDialog>();
    SaveDialog3 = std::make_unique<TSaveDialog>();
    SaveDialog3->DefaultExt = "mcp";
    SaveDialog3->Filter = "Project files (*.mcp)|*.mcp";
    OpenPictureDialog1 = std::make_unique<TOpenDialog>();

    ArrangeToolbars();
    // The form layout's size; the settings may change it.
    SetOuterSize(686, 456);
}
