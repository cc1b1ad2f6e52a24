// Building the main window: the tool bar, the menus, the left pane with the
// part tree, its bars and tabs, and the 3-D view (or its stand-in).

#include "main_window.h"

#include "edit_history.h"

#include "main_window_metrics.h"
#include "render/view_widget.h"
#include "ui/icons.h"
#include "ui/part_commands.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"
#include "ui/texture_combo_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <tuple>

namespace korvex {

using namespace window_metrics;

namespace {

QAction* addToolButton(QToolBar* bar, const char* name, const QIcon& icon, const QString& hint,
                       const QString& caption) {
    QAction* action = bar->addAction(icon, caption);
    action->setObjectName(name);
    action->setToolTip(hint);
    bar->widgetForAction(action)->setFixedSize(ToolButtonSize, ToolButtonSize);
    return action;
}

QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption, const QIcon& icon = {}) {
    QAction* action = menu->addAction(icon, caption);
    action->setObjectName(name);
    return action;
}

}  // namespace

void MainWindow::createToolBar() {
    toolBarStrip = new QToolBar(this);
    toolBarStrip->setObjectName("toolBarStrip");
    toolBarStrip->setMovable(false);
    toolBarStrip->setFloatable(false);
    toolBarStrip->setAllowedAreas(Qt::TopToolBarArea);
    toolBarStrip->setFixedHeight(ToolStripHeight);
    toolBarStrip->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, toolBarStrip);

    toolBar = new QToolBar(toolBarStrip);
    toolBar->setObjectName("toolBar");
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBarStrip->addWidget(toolBar);

    auto* toolBarIndent = new QWidget(toolBar);
    toolBarIndent->setObjectName("toolBarIndent");
    toolBarIndent->setFixedWidth(8);
    toolBar->addWidget(toolBarIndent);
    openAction = addToolButton(toolBar, "openAction", icons::openFile(), "Open a file", "Open");
    closeAction = addToolButton(toolBar, "closeAction", icons::closeFile(), "Close current file.", "Delete");
    closeAction->setEnabled(false);
    toolBar->addSeparator()->setObjectName("texturesSeparator");
    texturesAction = addToolButton(toolBar, "texturesAction", icons::manageTextures(), "Manage Textures", "");
    toolBar->addSeparator()->setObjectName("partsSeparator");
    hideAllAction = addToolButton(toolBar, "hideAllAction", icons::hideAllParts(), "Hide All Parts", "");
    showAllAction = addToolButton(toolBar, "showAllAction", icons::showAllParts(), "Show All Parts", "");
    toolBar->addSeparator()->setObjectName("settingsSeparator");
    restoreSettingsAction = addToolButton(toolBar, "restoreSettingsAction", icons::restoreSettings(),
                                          "Reset the visual options to those loaded from geomdata.ini", "");
    toolBar->addSeparator()->setObjectName("wireframeSeparator");
    wireframeAction = addToolButton(toolBar, "wireframeAction", icons::wireframe(), "Toggle Wireframe", "Wireframe");
    // The button stays down while the view draws outlines.
    wireframeAction->setCheckable(true);

    connect(openAction, &QAction::triggered, this, [this] { openModelCommand(); });
    connect(closeAction, &QAction::triggered, this, [this] { closeModelCommand(); });
    connect(restoreSettingsAction, &QAction::triggered, this, [this] { restoreFileSettingsCommand(); });
    connect(hideAllAction, &QAction::triggered, this, [this] { hideAllPartsCommand(); });
    connect(showAllAction, &QAction::triggered, this, [this] { showAllPartsCommand(); });
    connect(wireframeAction, &QAction::triggered, this, [this] { toggleWireframe(); });
    connect(texturesAction, &QAction::triggered, this, [this] { manageTexturesCommand(); });
}

void MainWindow::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("menuBar");
    fileMenu = bar->addMenu("&File");
    openMenuAction = addMenuItem(fileMenu, "openMenuAction", "&Open", icons::openFile());
    openMenuAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    openLookAction = addMenuItem(fileMenu, "openLookAction", "Open Loo&k...");
    closeMenuAction = addMenuItem(fileMenu, "closeMenuAction", "C&lose", icons::closeFile());
    closeMenuAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    closeMenuAction->setEnabled(false);
    reloadAction = addMenuItem(fileMenu, "reloadAction", "&Reload");
    reloadAction->setShortcut(QKeySequence(Qt::Key_F5));
    recentMenu = fileMenu->addMenu("Open Re&cent");
    recentMenu->setObjectName("recentMenu");
    // Each item names its file; its folder shows when the pointer rests on it.
    recentMenu->setToolTipsVisible(true);
    recentMenu->addSeparator();
    clearRecentAction = addMenuItem(recentMenu, "clearRecentAction", "Clear List");
    fileMenu->addSeparator();
    saveLookAction = addMenuItem(fileMenu, "saveLookAction", "&Save Look...");
    saveLookAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveLookAction->setEnabled(false);
    exportMenuAction = addMenuItem(fileMenu, "exportMenuAction", "Ex&port...");
    exportMenuAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    exportMenuAction->setEnabled(false);
    uvLayoutAction = addMenuItem(fileMenu, "uvLayoutAction", "Export &UV Layout...");
    uvLayoutAction->setStatusTip("Writes the layout of the selected part's texture as a picture to paint over");
    uvLayoutAction->setEnabled(false);
    fileMenu->addSeparator();
    texturesMenuAction = addMenuItem(fileMenu, "texturesMenuAction", "Manage Textures", icons::manageTextures());
    fileMenu->addSeparator();
    exitAction = addMenuItem(fileMenu, "exitAction", "&Exit");

    editMenu = bar->addMenu("&Edit");
    optionsMenu = bar->addMenu("&Options");
    rotatingAction = addMenuItem(optionsMenu, "rotatingAction", "Rotating");
    rotatingAction->setCheckable(true);
    rotatingAction->setChecked(true);
    optionsMenu->addSeparator();
    showAllMenuAction = addMenuItem(optionsMenu, "showAllMenuAction", "Show All Parts", icons::showAllParts());
    hideAllMenuAction = addMenuItem(optionsMenu, "hideAllMenuAction", "Hide All Parts", icons::hideAllParts());
    optionsMenu->addSeparator();
    untextureAllAction = addMenuItem(optionsMenu, "untextureAllAction", "Untexture All Parts", icons::untextureAll());
    textureNonWheelAction =
        addMenuItem(optionsMenu, "textureNonWheelAction", "Texture All Non-Wheel Parts...", icons::textureAll());
    textureWheelAction =
        addMenuItem(optionsMenu, "textureWheelAction", "Texture All Wheel Parts...", icons::textureWheels());
    optionsMenu->addSeparator();
    uncolourAllAction = addMenuItem(optionsMenu, "uncolourAllAction", "Uncolour All");
    randomColoursAction = addMenuItem(optionsMenu, "randomColoursAction", "Random Part Colours");
    allTransparentAction = addMenuItem(optionsMenu, "allTransparentAction", "Set All Transparent");
    allOpaqueAction = addMenuItem(optionsMenu, "allOpaqueAction", "Set All Opaque");
    allReflectingAction = addMenuItem(optionsMenu, "allReflectingAction", "Set All Enviroment Mapped");
    allMattAction = addMenuItem(optionsMenu, "allMattAction", "Set All Matt");
    optionsMenu->addSeparator();
    restoreSettingsMenuAction =
        addMenuItem(optionsMenu, "restoreSettingsMenuAction", "Restore File Settings", icons::restoreSettings());
    optionsMenu->addSeparator();
    reloadChangedAction = addMenuItem(optionsMenu, "reloadChangedAction", "Reload Changed Files");
    reloadChangedAction->setCheckable(true);
    reloadChangedAction->setChecked(true);
    optionsMenu->addSeparator();
    backgroundColourAction = addMenuItem(optionsMenu, "backgroundColourAction", "Background Colour...");
    backlightColourAction = addMenuItem(optionsMenu, "backlightColourAction", "Backlight Colour...");

    createViewMenu();

    helpMenu = bar->addMenu("&Help");
    helpAction = addMenuItem(helpMenu, "helpAction", "How to use this program...", icons::help());
    aboutAction = addMenuItem(helpMenu, "aboutAction", "&About", icons::about());

    for (const auto& [menu, name] : {std::pair{fileMenu, "fileMenu"},
                                     {editMenu, "editMenu"},
                                     {optionsMenu, "optionsMenu"},
                                     {viewMenu, "viewMenu"},
                                     {helpMenu, "helpMenu"}})
        menu->setObjectName(name);

    // A menu item that repeats a tool button performs that button's click.
    connect(openMenuAction, &QAction::triggered, this, [this] { openModelMenuCommand(); });
    connect(closeMenuAction, &QAction::triggered, closeAction, &QAction::trigger);
    connect(exportMenuAction, &QAction::triggered, this, [this] { exportModelCommand(); });
    connect(uvLayoutAction, &QAction::triggered, this, [this] { exportUvLayoutCommand(); });
    connect(openLookAction, &QAction::triggered, this, [this] { openLookCommand(); });
    connect(saveLookAction, &QAction::triggered, this, [this] { saveLookCommand(); });
    connect(texturesMenuAction, &QAction::triggered, texturesAction, &QAction::trigger);
    connect(exitAction, &QAction::triggered, this, [this] { exitCommand(); });
    connect(backgroundColourAction, &QAction::triggered, this, [this] { chooseBackgroundColour(); });
    connect(backlightColourAction, &QAction::triggered, this, [this] { chooseBacklightColour(); });
    connect(helpAction, &QAction::triggered, this, [this] { showHelp(); });
    connect(aboutAction, &QAction::triggered, this, [this] { showAbout(); });
    connect(showAllMenuAction, &QAction::triggered, showAllAction, &QAction::trigger);
    connect(hideAllMenuAction, &QAction::triggered, hideAllAction, &QAction::trigger);
    connect(restoreSettingsMenuAction, &QAction::triggered, restoreSettingsAction, &QAction::trigger);
    connect(untextureAllAction, &QAction::triggered, this, [this] { untextureAllParts(); });
    connect(textureNonWheelAction, &QAction::triggered, this, [this] { textureNonWheelParts(); });
    connect(textureWheelAction, &QAction::triggered, this, [this] { textureWheelParts(); });
    connect(rotatingAction, &QAction::toggled, this, [this] {
        noteStep(rotatingAction->text());
        showCurrentState();
    });

    const std::pair<QAction*, void (*)(ProgramState&)> bulkCommands[] = {
        {uncolourAllAction, &uncolourAllParts},          {randomColoursAction, &randomPartColours},
        {allTransparentAction, &setAllTransparent},      {allOpaqueAction, &setAllOpaque},
        {allReflectingAction, &setAllEnvironmentMapped}, {allMattAction, &setAllMatt},
    };
    for (const auto& [item, command] : bulkCommands)
        connect(item, &QAction::triggered, this,
                [this, item = item, command = command] { runStep(item->text(), [&] { command(state_); }); });
}

void MainWindow::createViewMenu() {
    viewMenu = menuBar()->addMenu("&View");
    fitAction = addMenuItem(viewMenu, "fitAction", "&Fit");
    fitAction->setShortcut(QKeySequence(Qt::Key_F));
    viewMenu->addSeparator();
    const std::tuple<QAction**, const char*, const char*, Qt::Key, StandardView> standardViews[] = {
        {&frontViewAction, "frontViewAction", "F&ront", Qt::Key_1, StandardView::Front},
        {&sideViewAction, "sideViewAction", "&Side", Qt::Key_2, StandardView::Side},
        {&topViewAction, "topViewAction", "&Top", Qt::Key_3, StandardView::Top},
        {&threeQuarterViewAction, "threeQuarterViewAction", "T&hree-quarter", Qt::Key_4, StandardView::ThreeQuarter},
    };
    for (const auto& [action, name, caption, key, which] : standardViews) {
        *action = addMenuItem(viewMenu, name, caption);
        (*action)->setShortcut(QKeySequence(key));
        connect(*action, &QAction::triggered, this, [this, which = which] { setStandardView(which); });
    }
    viewMenu->addSeparator();
    resetViewAction = addMenuItem(viewMenu, "resetViewAction", "R&eset");
    connect(fitAction, &QAction::triggered, this, [this] { fitView(); });
    connect(resetViewAction, &QAction::triggered, this, [this] { resetView(); });
}

void MainWindow::createLeftPane(QWidget* client) {
    leftPane = new ResizingPanel(client);
    leftPane->setObjectName("leftPane");
    leftPane->onResize = [this] { layoutLeftPane(); };
    leftPane->onClick = [this] { layoutLeftPane(); };

    treeModel = new PartTreeModel(state_, this);
    partTree = new QTreeView(leftPane);
    partTree->setObjectName("partTree");
    partTree->setModel(treeModel);
    partTree->move(1, 0);
    partTree->setSelectionMode(QAbstractItemView::SingleSelection);
    partTree->setSelectionBehavior(QAbstractItemView::SelectRows);
    partTree->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    partTree->setExpandsOnDoubleClick(true);
    partTree->setRootIsDecorated(true);
    partTree->setSortingEnabled(false);
    partTree->setUniformRowHeights(true);
    // A narrow step per level leaves the names more of the pane.
    partTree->setIndentation(12);
    QHeaderView* header = partTree->header();
    header->setSectionsMovable(true);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(VertexColumnMinimum);
    // The names take what the counts leave, as the pane widens and narrows;
    // the counts' column fits its heading and its widest number.
    header->setSectionResizeMode(PartTreeModel::NameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(PartTreeModel::VertexCountColumn, QHeaderView::ResizeToContents);
    connect(partTree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { partSelected(); });
    treeModel->setImagesGhosted(true);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        treeModel->setImagesGhosted(now == nullptr || (now != partTree && !partTree->isAncestorOf(now)));
    });
    connect(partTree, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (index == treeModel->rootIndex()) state_.tree.RootExpanded = true;
    });
    connect(partTree, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (index == treeModel->rootIndex()) state_.tree.RootExpanded = false;
    });

    paneSplitter = new MousePanel(leftPane);
    paneSplitter->setObjectName("paneSplitter");
    paneSplitter->setGeometry(0, SplitterStartTop, 100, DragBarThickness);
    paneSplitter->setFrameStyle(QFrame::Panel | QFrame::Raised);
    paneSplitter->setLineWidth(1);
    paneSplitter->setCursor(Qt::SizeVerCursor);

    tabs = new ResizingPanel(leftPane);
    tabs->setObjectName("tabs");
    tabs->onResize = [this] { layoutTabs(); };
    tabBar = new QTabBar(tabs);
    tabBar->setObjectName("tabBar");
    tabBar->addTab("Log");
    tabBar->addTab("Geomerty Part Options");
    tabBar->setExpanding(false);
    tabBar->setDrawBase(true);
    tabBar->setCurrentIndex(0);
    connect(tabBar, &QTabBar::currentChanged, this, [this] { tabChanged(); });

    logView = new QPlainTextEdit(tabs);
    logView->setObjectName("logView");
    // What the program reports is not for editing; it can still be selected and copied.
    logView->setReadOnly(true);
    logView->setLineWrapMode(QPlainTextEdit::NoWrap);
    logView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    clear();
    LogLine("No File Loaded.");

    // The panel keeps its designed size; where the tab is smaller (a small
    // window, a low bar), it scrolls rather than being cut.
    optionsScroll = new QScrollArea(tabs);
    optionsScroll->setObjectName("optionsScroll");
    optionsScroll->setFrameShape(QFrame::NoFrame);
    optionsScroll->setAlignment(Qt::AlignCenter);
    optionsScroll->setWidgetResizable(false);
    optionsPanel = new PartOptionsPanel(state_, colours_, optionsScroll);
    optionsScroll->setWidget(optionsPanel);
    optionsScroll->hide();
    // What the panel changes is a step that can be undone, and shows in the
    // next frame; a rename in the tree shows in the panel's heading too.
    const auto redraw = [this] {
        if (view3d_ != nullptr) view3d_->requestFrame();
    };
    const auto changed = [this, redraw](const QString& step) {
        return [this, redraw, step] {
            noteStep(step);
            redraw();
        };
    };
    connect(optionsPanel->colourButton, &QPushButton::clicked, this, changed("Part Colour"));
    // A step for the user's clicks only: showing another part sets the boxes too.
    for (QCheckBox* box : {optionsPanel->transparentBox, optionsPanel->reflectionBox, optionsPanel->useDetailBox}) {
        connect(box, &QCheckBox::toggled, this, redraw);
        connect(box, &QCheckBox::clicked, this, [this, step = box->text()] { noteStep(step); });
    }
    connect(optionsPanel->textureBox, &QComboBox::activated, this, changed("Part Texture"));
    connect(optionsPanel->detailSlider, &QSlider::valueChanged, this, changed(EditHistory::DetailLevelStep));
    connect(treeModel, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& index, const QModelIndex&, const QList<int>& roles) {
                // An edit of one node; a command that changed them all is its own step.
                if (roles.contains(Qt::CheckStateRole))
                    noteStep(index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? "Show Part" : "Hide Part");
                else if (roles.contains(Qt::DisplayRole))
                    noteStep("Rename");
                showCurrentState();
            });
    textureCombo_ = std::make_unique<TextureComboBox>(*optionsPanel->textureBox);

    widthSplitter = new MousePanel(leftPane);
    widthSplitter->setObjectName("widthSplitter");
    widthSplitter->setFrameShape(QFrame::NoFrame);
    widthSplitter->setCursor(Qt::SizeHorCursor);
}

FrameControls MainWindow::frameControls() const {
    return FrameControls{rotatingAction->isChecked(), optionsPanel->useDetailBox->isChecked(),
                         optionsPanel->detailSlider->value()};
}

void MainWindow::noteSlowFrames(bool slow, uint32_t milliseconds) {
    static const QString start = QStringLiteral("The model is slow to draw");
    if (slow)
        statusBar()->showMessage(start + QStringLiteral(" (%1 s a frame): the view no longer moves by itself and "
                                                        "draws only when something changes.")
                                             .arg(milliseconds / 1000.0, 0, 'f', 1));
    else if (statusBar()->currentMessage().startsWith(start))
        statusBar()->clearMessage();
}

void MainWindow::createView(QWidget* client) {
    std::string whyNot;
    if (ViewWidget::openGlAvailable(whyNot)) {
        view3d_ = new ViewWidget(
            state_, prompts_, [this] { return frameControls(); }, client);
        view3d_->onSceneFailure = [this](const std::string& text) { showEscapedFailure(prompts_, text); };
        view3d_->onPartClicked = [this](int32_t part) { selectPart(part); };
        view3d_->onPointerOver = [this](const SurfacePoint& point) { pointerOver(point); };
        view3d_->onSlowFrames = [this](bool slow, uint32_t milliseconds) { noteSlowFrames(slow, milliseconds); };
        view = view3d_;
    } else {
        // Everything but the picture still works: the tree, the options, the log.
        auto* panel = new MousePanel(client);
        panel->setFrameShape(QFrame::NoFrame);
        panel->setAutoFillBackground(true);
        QPalette black = panel->palette();
        black.setColor(QPalette::Window, Qt::black);
        panel->setPalette(black);
        view = panel;
        // Said over the window once it is up, not before it appears.
        QTimer::singleShot(0, this, [this] { prompts_.message(ApplicationTitle, NoOpenGlMessage, BoxIcon::Error); });
    }
    view->setObjectName("view");
    view->setMinimumSize(NarrowestView, 1);

    viewHint = new QLabel(toQString(EmptyViewHint), view);
    viewHint->setObjectName("viewHint");
    viewHint->setAlignment(Qt::AlignCenter);
    viewHint->setWordWrap(true);
    viewHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette grey = viewHint->palette();
    grey.setColor(QPalette::WindowText, QColor(170, 170, 170));
    viewHint->setPalette(grey);
    // The hint keeps to the middle of the view at any size.
    auto* centred = new QVBoxLayout(view);
    centred->setContentsMargins(12, 12, 12, 12);
    centred->addWidget(viewHint);
}

}  // namespace korvex
