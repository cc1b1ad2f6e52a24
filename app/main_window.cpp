#include "main_window.h"

#include "about_box.h"
#include "model/model_commands.h"
#include "qt_prompts.h"
#include "render/frame_renderer.h"
#include "render/navigation.h"
#include "render/scene_colours.h"
#include "render/view_widget.h"
#include "settings/geomdata_file.h"
#include "settings/open_command.h"
#include "ui/icons.h"
#include "ui/part_commands.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"
#include "textures/opengl_textures.h"
#include "textures/texture_files.h"
#include "ui/texture_combo_box.h"
#include "ui/texture_manager_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeData>
#include <QShortcut>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <algorithm>

namespace korvex {

void MousePanel::mousePressEvent(QMouseEvent* event) {
    if (onDown) onDown(event->position().toPoint());
}

void MousePanel::mouseMoveEvent(QMouseEvent* event) {
    if (onMove) onMove(event->position().toPoint());
}

void MousePanel::mouseReleaseEvent(QMouseEvent* event) {
    if (onUp) onUp(event->position().toPoint());
}

void ResizingPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onResize) onResize();
}

void ResizingPanel::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (onClick) onClick();
}

namespace {

// Client area below the menu bar, as the window was designed.
constexpr int ClientWidth = 693;
constexpr int ClientHeight = 566;
constexpr int ToolStripHeight = 33;
constexpr int ToolButtonSize = 25;
constexpr int StatusBarHeight = 16;
constexpr int Panel1StartTop = 288;
constexpr int DragBarThickness = 4;
constexpr int Panel3Width = 6;
constexpr int NarrowestPane = 100;
constexpr int NarrowestDraggedBar = 106;
constexpr int NameColumnMinimum = 100;
constexpr int VertexColumnMinimum = 80;

QAction* addToolButton(QToolBar* bar, const char* name, const QIcon& icon, const QString& hint,
                       const QString& caption) {
    QAction* action = bar->addAction(icon, caption);
    action->setObjectName(name);
    action->setToolTip(hint);
    bar->widgetForAction(action)->setFixedSize(ToolButtonSize, ToolButtonSize);
    return action;
}

// Textures for a display without OpenGL: the pictures are still read and
// checked, but nothing is uploaded, and nothing would draw them.
class DetachedTextures final : public TextureGl {
public:
    int32_t maxTextureSize() override { return 1; }
    uint32_t genTexture() override { return 0; }
    void bindTexture(uint32_t, uint32_t) override {}
    void texEnvi(uint32_t, uint32_t, int32_t) override {}
    void texParameteri(uint32_t, uint32_t, int32_t) override {}
    void build2DMipmaps(uint32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t, const void*) override {}
    void deleteTexture(uint32_t) override {}
};

QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption, const QIcon& icon = {}) {
    QAction* action = menu->addAction(icon, caption);
    action->setObjectName(name);
    return action;
}

}  // namespace

TForm1::TForm1(Prompts& prompts, ColourChooser& colours, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), colours_(colours) {
    setObjectName("TForm1");
    setWindowTitle(toQString(ApplicationTitle));
    setWindowIcon(icons::application());
    setFont(designedFont());

    createToolBar();
    createMenus();

    client_ = new ResizingPanel(this);
    client_->setObjectName("ClientArea");
    setCentralWidget(client_);
    createLeftPane(client_);
    createView(client_);
    client_->onResize = [this] { layoutClient(); };

    statusBar()->setObjectName("StatusBar1");
    statusBar()->setFixedHeight(StatusBarHeight);

    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    // Give the panes their designed sizes now, as the layout below expects,
    // rather than when the window is first shown.
    layout()->activate();
    layoutClient();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

    connectDragBars();
    FormCreate();

    Form2 = new TForm2(state_, prompts_, *textureCombo_,
                       [this](const std::function<void(TextureGl&)>& work) { withViewTextures(work); }, this);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        Form2->move(screen->availableGeometry().center() - Form2->rect().center());
    Form3 = new TForm3(this);

    setAcceptDrops(true);
    auto* saveView = new QShortcut(QKeySequence(Qt::Key_F12), this);
    saveView->setObjectName("SaveViewShortcut");
    connect(saveView, &QShortcut::activated, this, [this] { SaveViewPicture(); });
}

TForm1::~TForm1() {
    // The child widgets are destroyed after this object has stopped being a
    // TForm1, and after the state they show: nothing they report may reach
    // it, and the tree must stop reading the state first.
    disconnect(qApp, nullptr, this, nullptr);
    for (QObject* sender : std::initializer_list<QObject*>{Tree, Tree->selectionModel(), Tree->header(), TabBar})
        sender->disconnect(this);
    for (ResizingPanel* panel : {client_, Panel2, Tabs}) panel->onResize = panel->onClick = nullptr;
    for (MousePanel* panel : {Panel1, Panel3}) panel->onDown = panel->onMove = panel->onUp = nullptr;
    delete Form2;
    delete Form3;

    // FormDestroy: a model still open at the end is closed like any other.
    try {
        const TreeRebuild rebuild(*treeModel);
        CloseModel(state_, *this, *this);
    } catch (...) {
        // Nothing can be shown any more; the window is going.
    }
    // Then the view's context goes, and its textures with it, while the
    // state that names them is still here.
    delete Panel4;
    Tree->setModel(nullptr);
    delete treeModel;
}

void TForm1::createToolBar() {
    CoolBar1 = new QToolBar(this);
    CoolBar1->setObjectName("CoolBar1");
    CoolBar1->setMovable(false);
    CoolBar1->setFloatable(false);
    CoolBar1->setAllowedAreas(Qt::TopToolBarArea);
    CoolBar1->setFixedHeight(ToolStripHeight);
    CoolBar1->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, CoolBar1);

    ToolBar1 = new QToolBar(CoolBar1);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    CoolBar1->addWidget(ToolBar1);

    auto* ToolButton2 = new QWidget(ToolBar1);
    ToolButton2->setObjectName("ToolButton2");
    ToolButton2->setFixedWidth(8);
    ToolBar1->addWidget(ToolButton2);
    ToolButton1 = addToolButton(ToolBar1, "ToolButton1", icons::openFile(), "Open a file", "Open");
    ToolButton3 = addToolButton(ToolBar1, "ToolButton3", icons::closeFile(), "Close current file.", "Delete");
    ToolButton3->setEnabled(false);
    ToolBar1->addSeparator()->setObjectName("ToolButton4");
    ToolButton5 = addToolButton(ToolBar1, "ToolButton5", icons::manageTextures(), "Manage Textures", "");
    ToolBar1->addSeparator()->setObjectName("ToolButton6");
    ToolButton8 = addToolButton(ToolBar1, "ToolButton8", icons::hideAllParts(), "Hide All Parts", "");
    ToolButton9 = addToolButton(ToolBar1, "ToolButton9", icons::showAllParts(), "Show All Parts", "");
    ToolBar1->addSeparator()->setObjectName("ToolButton10");
    ToolButton7 = addToolButton(ToolBar1, "ToolButton7", icons::restoreSettings(),
                                "Reset the visual options to those loaded from geomdata.ini", "");
    ToolBar1->addSeparator()->setObjectName("ToolButton11");
    ToolButton12 = addToolButton(ToolBar1, "ToolButton12", icons::wireframe(), "Toggle Wireframe", "Wireframe");

    connect(ToolButton1, &QAction::triggered, this, [this] { ToolButton1Click(); });
    connect(ToolButton3, &QAction::triggered, this, [this] { ToolButton3Click(); });
    connect(ToolButton7, &QAction::triggered, this, [this] { ToolButton7Click(); });
    connect(ToolButton8, &QAction::triggered, this, [this] { ToolButton8Click(); });
    connect(ToolButton9, &QAction::triggered, this, [this] { ToolButton9Click(); });
    connect(ToolButton12, &QAction::triggered, this, [this] { ToolButton12Click(); });
    connect(ToolButton5, &QAction::triggered, this, [this] { ToolButton5Click(); });
}

void TForm1::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    File1 = bar->addMenu("&File");
    Open1 = addMenuItem(File1, "Open1", "&Open", icons::openFile());
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Close1 = addMenuItem(File1, "Close1", "C&lose", icons::closeFile());
    Close1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    Close1->setEnabled(false);
    File1->addSeparator();
    ManageTextures1 = addMenuItem(File1, "ManageTextures1", "Manage Textures", icons::manageTextures());
    File1->addSeparator();
    Exit1 = addMenuItem(File1, "Exit1", "&Exit");

    Options1 = bar->addMenu("&Options");
    ShowStatistics1 = addMenuItem(Options1, "ShowStatistics1", "Rotating");
    ShowStatistics1->setCheckable(true);
    ShowStatistics1->setChecked(true);
    Options1->addSeparator();
    ShowAllParts1 = addMenuItem(Options1, "ShowAllParts1", "Show All Parts", icons::showAllParts());
    HideAllParts1 = addMenuItem(Options1, "HideAllParts1", "Hide All Parts", icons::hideAllParts());
    Options1->addSeparator();
    UntextureAllParts1 = addMenuItem(Options1, "UntextureAllParts1", "Untexture All Parts", icons::untextureAll());
    extureAllParts1 = addMenuItem(Options1, "extureAllParts1", "Texture All Non-Wheel Parts...", icons::textureAll());
    extureAllWheelParts1 =
        addMenuItem(Options1, "extureAllWheelParts1", "Texture All Wheel Parts...", icons::textureWheels());
    Options1->addSeparator();
    UncolourAll1 = addMenuItem(Options1, "UncolourAll1", "Uncolour All");
    Psyco1 = addMenuItem(Options1, "Psyco1", "Random Part Colours");
    SetAllTransparent1 = addMenuItem(Options1, "SetAllTransparent1", "Set All Transparent");
    SetAllEnviromentMapped1 = addMenuItem(Options1, "SetAllEnviromentMapped1", "Set All Opaque");
    SetAllEnviromentMapped2 = addMenuItem(Options1, "SetAllEnviromentMapped2", "Set All Enviroment Mapped");
    SetAllMatt1 = addMenuItem(Options1, "SetAllMatt1", "Set All Matt");
    Options1->addSeparator();
    RestoreFileSettings1 =
        addMenuItem(Options1, "RestoreFileSettings1", "Restore File Settings", icons::restoreSettings());
    Options1->addSeparator();
    BackgroundColour1 = addMenuItem(Options1, "BackgroundColour1", "Background Colour...");
    BacklightColour1 = addMenuItem(Options1, "BacklightColour1", "Backlight Colour...");

    Help1 = bar->addMenu("&Help");
    Howtousethisprogram1 = addMenuItem(Help1, "Howtousethisprogram1", "How to use this program...", icons::help());
    About1 = addMenuItem(Help1, "About1", "&About", icons::about());

    for (const auto& [menu, name] : {std::pair{File1, "File1"}, {Options1, "Options1"}, {Help1, "Help1"}})
        menu->setObjectName(name);

    // A menu item that repeats a tool button performs that button's click.
    connect(Open1, &QAction::triggered, this, [this] { Open1Click(); });
    connect(Close1, &QAction::triggered, ToolButton3, &QAction::trigger);
    connect(ManageTextures1, &QAction::triggered, ToolButton5, &QAction::trigger);
    connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
    connect(BackgroundColour1, &QAction::triggered, this, [this] { BackgroundColour1Click(); });
    connect(BacklightColour1, &QAction::triggered, this, [this] { BacklightColour1Click(); });
    connect(Howtousethisprogram1, &QAction::triggered, this, [this] { Howtousethisprogram1Click(); });
    connect(About1, &QAction::triggered, this, [this] { About1Click(); });
    connect(ShowAllParts1, &QAction::triggered, ToolButton9, &QAction::trigger);
    connect(HideAllParts1, &QAction::triggered, ToolButton8, &QAction::trigger);
    connect(RestoreFileSettings1, &QAction::triggered, ToolButton7, &QAction::trigger);
    connect(UntextureAllParts1, &QAction::triggered, this, [this] { UntextureAllParts1Click(); });
    connect(extureAllParts1, &QAction::triggered, this, [this] { extureAllParts1Click(); });
    connect(extureAllWheelParts1, &QAction::triggered, this, [this] { extureAllWheelParts1Click(); });

    const std::pair<QAction*, void (*)(ProgramState&)> bulkCommands[] = {
        {UncolourAll1, &UncolourAll1Click},
        {Psyco1, &Psyco1Click},
        {SetAllTransparent1, &SetAllTransparent1Click},
        {SetAllEnviromentMapped1, &SetAllEnviromentMapped1Click},
        {SetAllEnviromentMapped2, &SetAllEnviromentMapped2Click},
        {SetAllMatt1, &SetAllMatt1Click},
    };
    for (const auto& [item, command] : bulkCommands)
        connect(item, &QAction::triggered, this, [this, command = command] { runCommand([&] { command(state_); }); });
}

void TForm1::createLeftPane(QWidget* client) {
    Panel2 = new ResizingPanel(client);
    Panel2->setObjectName("Panel2");
    Panel2->onResize = [this] { Panel2Resize(); };
    Panel2->onClick = [this] { Panel2Resize(); };

    treeModel = new PartTreeModel(state_, this);
    Tree = new QTreeView(Panel2);
    Tree->setObjectName("Tree");
    Tree->setModel(treeModel);
    Tree->move(1, 0);
    Tree->setSelectionMode(QAbstractItemView::SingleSelection);
    Tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    Tree->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    Tree->setExpandsOnDoubleClick(true);
    Tree->setRootIsDecorated(true);
    Tree->setSortingEnabled(false);
    Tree->setUniformRowHeights(true);
    QHeaderView* header = Tree->header();
    header->setSectionsMovable(true);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(VertexColumnMinimum);
    header->resizeSection(PartTreeModel::NameColumn, 180);
    header->resizeSection(PartTreeModel::VertexCountColumn, 80);
    connect(header, &QHeaderView::sectionResized, this, [header](int column, int, int size) {
        if (column == PartTreeModel::NameColumn && size < NameColumnMinimum)
            header->resizeSection(column, NameColumnMinimum);
    });
    connect(Tree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { TreeChange(); });
    treeModel->setImagesGhosted(true);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        treeModel->setImagesGhosted(now == nullptr || (now != Tree && !Tree->isAncestorOf(now)));
    });
    connect(Tree, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (index == treeModel->rootIndex()) state_.tree.RootExpanded = true;
    });
    connect(Tree, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (index == treeModel->rootIndex()) state_.tree.RootExpanded = false;
    });

    Panel1 = new MousePanel(Panel2);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, Panel1StartTop, 100, DragBarThickness);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setCursor(Qt::SizeVerCursor);

    Tabs = new ResizingPanel(Panel2);
    Tabs->setObjectName("Tabs");
    Tabs->onResize = [this] { TabsResize(); };
    TabBar = new QTabBar(Tabs);
    TabBar->setObjectName("TabBar");
    TabBar->addTab("Log");
    TabBar->addTab("Geomerty Part Options");
    TabBar->setExpanding(false);
    TabBar->setDrawBase(true);
    TabBar->setCurrentIndex(0);
    connect(TabBar, &QTabBar::currentChanged, this, [this] { TabsChange(); });

    Memo1 = new QPlainTextEdit(Tabs);
    Memo1->setObjectName("Memo1");
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    clear();
    LogLine("No File Loaded.");

    GroupBox1 = new PartOptionsPanel(state_, colours_, Tabs);
    GroupBox1->hide();
    textureCombo_ = std::make_unique<TextureComboBox>(*GroupBox1->ComboBox1);

    Panel3 = new MousePanel(Panel2);
    Panel3->setObjectName("Panel3");
    Panel3->setFrameShape(QFrame::NoFrame);
    Panel3->setCursor(Qt::SizeHorCursor);
}

void TForm1::createView(QWidget* client) {
    std::string whyNot;
    if (ViewWidget::openGlAvailable(whyNot)) {
        view3d_ = new ViewWidget(state_, prompts_,
                                 [this] {
                                     return FrameControls{ShowStatistics1->isChecked(), GroupBox1->CheckBox3->isChecked(),
                                                          GroupBox1->TrackBar1->value()};
                                 },
                                 client);
        view3d_->onSceneFailure = [this](const std::string& text) { showEscapedFailure(prompts_, text); };
        Panel4 = view3d_;
    } else {
        // Everything but the picture still works: the tree, the options, the log.
        auto* panel = new MousePanel(client);
        panel->setFrameShape(QFrame::NoFrame);
        panel->setAutoFillBackground(true);
        QPalette black = panel->palette();
        black.setColor(QPalette::Window, Qt::black);
        panel->setPalette(black);
        Panel4 = panel;
        // Said over the window once it is up, not before it appears.
        QTimer::singleShot(0, this, [this] { prompts_.message(ApplicationTitle, NoOpenGlMessage, BoxIcon::Error); });
    }
    Panel4->setObjectName("Panel4");
}

void TForm1::withViewContext(const std::function<void()>& work) {
    if (view3d_ != nullptr) view3d_->withContext(work);
}

void TForm1::withViewTextures(const std::function<void(TextureGl&)>& work) {
    if (view3d_ != nullptr && view3d_->withContext([&] {
            OpenGlTextures textures;
            work(textures);
        }))
        return;
    DetachedTextures textures;
    work(textures);
}

void TForm1::connectDragBars() {
    for (MousePanel* panel : {Panel1, Panel3}) {
        panel->onDown = [this](QPoint at) { startDrag(at); };
        panel->onUp = [this](QPoint at) { endDrag(at); };
    }
    Panel1->onMove = [this](QPoint at) {
        if (!state_.view.Dragging) return;
        const int newTop = Panel1->y() + at.y() - state_.view.LastMouseY;
        if (newTop > 4 && newTop < Panel2->height() - 64) Panel1->move(Panel1->x(), newTop);
        Panel2Resize();
    };
    Panel3->onMove = [this](QPoint at) {
        if (!state_.view.Dragging) return;
        // The grab point stays under the pointer because the bar moves with
        // it, so the remembered position is kept.
        const int newLeft = std::max(Panel3->x() + at.x() - state_.view.LastMouseX, NarrowestDraggedBar);
        Panel3->move(newLeft, Panel3->y());
        setPanel2Width(newLeft + Panel3Width);
    };
}

void TForm1::startDrag(QPoint at) {
    state_.view.Dragging = true;
    state_.view.LastMouseX = at.x();
    state_.view.LastMouseY = at.y();
}

void TForm1::endDrag(QPoint) {
    state_.view.Dragging = false;
}

TextureCombo& TForm1::textureCombo() {
    return *textureCombo_;
}

void TForm1::FormCreate() {
    Panel2Resize();
    runTreeCommand([this] { ResetTree(state_); });
}

void TForm1::layoutClient() {
    const int height = client_->height();
    Panel2->setGeometry(0, 0, panel2Width_, height);
    Panel4->setGeometry(panel2Width_, 0, std::max(0, client_->width() - panel2Width_), height);
}

void TForm1::setPanel2Width(int width) {
    panel2Width_ = width;
    layoutClient();
}

void TForm1::Panel2Resize() {
    if (Panel2->width() < NarrowestPane) setPanel2Width(NarrowestPane);
    const int paneWidth = Panel2->width();
    const int paneHeight = Panel2->height();
    if (Panel1->y() + Panel1->height() >= paneHeight) Panel1->move(Panel1->x(), paneHeight - 10);
    Panel3->move(Panel3->x(), 0);
    if (Panel1->y() < 2) Panel1->move(Panel1->x(), 2);
    Panel3->setGeometry(paneWidth - Panel3Width, Panel3->y(), Panel3Width, paneHeight);
    Panel1->resize(paneWidth - Panel3Width, Panel1->height());
    Tree->resize(paneWidth - 8, Panel1->y() - 2);
    const int tabsTop = Panel1->y() + Panel1->height() + 1;
    Tabs->setGeometry(2, tabsTop, paneWidth - Panel3Width, paneHeight - tabsTop);
}

void TForm1::TabsResize() {
    const int width = Tabs->width();
    const int height = Tabs->height();
    TabBar->setGeometry(0, 0, width, TabBar->sizeHint().height());
    Memo1->setGeometry(3, 24, width - 8, height - 27);
    GroupBox1->move(width / 2 - GroupBox1->width() / 2, height / 2 - GroupBox1->height() / 2);
}

void TForm1::TabsChange() {
    Memo1->hide();
    GroupBox1->hide();
    if (TabBar->currentIndex() == 0) Memo1->show();
    if (TabBar->currentIndex() == 1) GroupBox1->show();
}

void TForm1::clear() {
    Memo1->clear();
    memoEmpty_ = true;
}

void TForm1::LogLine(std::string_view text) {
    QTextCursor cursor(Memo1->document());
    cursor.movePosition(QTextCursor::End);
    if (!memoEmpty_) cursor.insertBlock();
    cursor.insertText(toQString(text));
    memoEmpty_ = false;
}

void TForm1::setCloseEnabled(bool enabled) {
    ToolButton3->setEnabled(enabled);
    Close1->setEnabled(enabled);
}

void TForm1::DisablePartOptions() {
    GroupBox1->DisablePartOptions();
}

void TForm1::runCommand(const std::function<void()>& command) {
    runShowingFailure(prompts_, command);
}

void TForm1::runTreeCommand(const std::function<void()>& command) {
    runCommand([&] {
        struct AfterRebuild {
            TForm1& window;
            ~AfterRebuild() { window.restoreTreeView(); }
        } after{*this};
        const TreeRebuild rebuild(*treeModel);
        command();
    });
}

void TForm1::restoreTreeView() {
    const QModelIndex root = treeModel->rootIndex();
    Tree->setExpanded(root, state_.tree.RootExpanded);
    const QModelIndex selected = state_.SelectedPart < 0 ? QModelIndex() : treeModel->partIndexRow(state_.SelectedPart);
    if (!selected.isValid()) {
        state_.SelectedPart = -1;
        DisablePartOptions();
        return;
    }
    // The selection the user made survives a command that kept the part.
    const QSignalBlocker quiet(Tree->selectionModel());
    Tree->selectionModel()->setCurrentIndex(selected, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TForm1::rememberModelFolder(const std::filesystem::path& model) {
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(model, failed);
    if (!failed) prompts_.startIn(ModelFileFilter, absolute.parent_path());
}

void TForm1::openModel(const std::filesystem::path& path) {
    rememberModelFolder(path);
    runTreeCommand([&] { OpenModel(state_, path, io(), *this); });
}

void TForm1::openDroppedModel(const std::filesystem::path& path) {
    rememberModelFolder(path);
    runTreeCommand([&] {
        CloseModel(state_, *this, *this);
        OpenModel(state_, path, io(), *this);
    });
}

namespace {

// The one local file a drag brings, if that is all it brings.
std::optional<std::filesystem::path> droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return std::nullopt;
    const QUrl url = data->urls().first();
    if (!url.isLocalFile()) return std::nullopt;
    return fromQPath(url.toLocalFile());
}

}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData())) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const auto path = droppedFile(event->mimeData());
    if (!path) return;
    event->acceptProposedAction();
    // Opened once the drop has ended, so that its boxes do not hold up the
    // program the file came from.
    QTimer::singleShot(0, this, [this, path = *path] { openDroppedModel(path); });
}

void TForm1::ToolButton1Click() {
    runTreeCommand([this] { korvex::ToolButton1Click(state_, io(), *this); });
}

void TForm1::Open1Click() {
    runTreeCommand([this] { korvex::Open1Click(state_, io(), *this); });
}

void TForm1::ToolButton3Click() {
    runTreeCommand([this] { CloseModel(state_, *this, *this); });
}

void TForm1::ToolButton7Click() {
    runCommand([this] { korvex::ToolButton7Click(state_); });
    treeModel->partNodesChanged();
}

void TForm1::ToolButton8Click() {
    korvex::ToolButton8Click(state_);
    treeModel->partNodesChanged();
}

void TForm1::ToolButton9Click() {
    korvex::ToolButton9Click(state_);
    treeModel->partNodesChanged();
}

void TForm1::Exit1Click() {
    QCoreApplication::exit(1);
}

void TForm1::ToolButton12Click() {
    // Without a context yet, the view takes the mode up when it gets one.
    if (view3d_ == nullptr || !view3d_->withContext([this] { korvex::ToolButton12Click(state_.view); }))
        state_.view.Wireframe = !state_.view.Wireframe;
}

void TForm1::ToolButton5Click() {
    if (manageTexturesChoosesForBody(state_))
        extureAllParts1Click();
    else
        Form2->showModeless();
}

void TForm1::UntextureAllParts1Click() {
    korvex::UntextureAllParts1Click(state_);
}

std::optional<int32_t> TForm1::ChooseTexture() {
    Form2->SelectingTexture = true;
    const int result = Form2->showModal();
    if (Form2->SelectedTexture == -1 || result != QDialog::Accepted) return std::nullopt;
    if (state_.textureLibrary.empty()) {
        prompts_.message(ApplicationTitle, "Load a texture first.", BoxIcon::None);
        return std::nullopt;
    }
    return Form2->SelectedTexture + 1;
}

void TForm1::extureAllParts1Click() {
    runCommand([this] {
        if (const auto chosen = ChooseTexture()) textureNonWheelParts(state_, *chosen);
    });
}

void TForm1::extureAllWheelParts1Click() {
    runCommand([this] {
        if (const auto chosen = ChooseTexture()) textureWheelParts(state_, *chosen);
    });
}

void TForm1::BackgroundColour1Click() {
    if (const auto chosen = colours_.chooseColour()) withViewContext([&] { ApplyBackgroundColour(*chosen); });
}

void TForm1::BacklightColour1Click() {
    if (const auto chosen = colours_.chooseColour()) withViewContext([&] { ApplyBacklightColour(*chosen); });
}

void TForm1::Howtousethisprogram1Click() {
    const std::filesystem::path help = locateProgramDataFile("help.htm", DataSearch::ProgramOnly);
    QDesktopServices::openUrl(QUrl::fromLocalFile(toQPath(help)));
}

void TForm1::About1Click() {
    Form3->showRaised();
}

void TForm1::SaveViewPicture() {
    runCommand([this] {
        const QImage picture = view3d_ != nullptr ? view3d_->grabFramebuffer() : Panel4->grab().toImage();
        const std::filesystem::path name =
            state_.ModelLoaded ? fromQPath(QString::fromStdU16String(state_.tree.RootNode.Caption)).replace_extension(".png")
                               : "view.png";
        const auto chosen = prompts_.chooseSaveFile(PictureFileFilter, name);
        if (!chosen) return;
        const QString path = toQPath(*chosen);
        const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
        const QByteArray format = QImageWriter::supportedImageFormats().contains(suffix) ? suffix : "png";
        QImageWriter writer(path, format);
        if (!writer.write(picture))
            prompts_.message(ApplicationTitle,
                             "The picture could not be saved to " + chosen->string() + ": " +
                                 writer.errorString().toStdString(),
                             BoxIcon::Error);
    });
}

void TForm1::TreeChange() {
    state_.SelectedPart = -1;
    const QModelIndexList rows = Tree->selectionModel()->selectedRows(PartTreeModel::NameColumn);
    const PartNodeData* node = rows.isEmpty() ? nullptr : treeModel->node(rows.first());
    if (node == nullptr || node->PartIndex < 0) {
        DisablePartOptions();
        return;
    }
    state_.SelectedPart = node->PartIndex;
    GroupBox1->ShowPartOptions("Options for " + QString::fromStdU16String(node->Caption));
}

}  // namespace korvex
