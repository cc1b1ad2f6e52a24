// Making and closing the main window, its log, how commands run, and what
// the part tree's selection does to the options panel.

#include "main_window.h"

#include "about_box.h"
#include "edit_history.h"
#include "file_watcher.h"
#include "picture_reloader.h"
#include "main_window_metrics.h"
#include "model/model_commands.h"
#include "render/view_widget.h"
#include "ui/icons.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"
#include "ui/texture_combo_box.h"
#include "ui/texture_manager_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTextCursor>
#include <QTreeView>

namespace korvex {

using namespace window_metrics;

MainWindow::MainWindow(Prompts& prompts, ColourChooser& colours, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), colours_(colours), leftPaneWidth_(LeftPaneStartWidth) {
    setObjectName("MainWindow");
    setWindowTitle(toQString(ApplicationTitle));
    setWindowIcon(icons::application());
    setFont(designedFont());

    createToolBar();
    createMenus();
    createReloading();

    client_ = new ResizingPanel(this);
    client_->setObjectName("clientArea");
    setCentralWidget(client_);
    createLeftPane(client_);
    createView(client_);
    client_->onResize = [this] { layoutClient(); };

    statusBar()->setObjectName("statusBar");
    statusBar()->setFixedHeight(StatusBarHeight);

    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    setMinimumSize(SmallestWindowWidth, SmallestWindowHeight);
    // Give the panes their designed sizes now, as the layout below expects,
    // rather than when the window is first shown.
    layout()->activate();
    layoutClient();
    splitterShare_ = static_cast<double>(SplitterStartTop) / leftPane->height();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

    connectDragBars();
    prepareLeftPane();

    textureManager_ = new TextureManagerWindow(
        state_, prompts_, *textureCombo_,
        [this](const std::function<void(TextureGl&)>& work) { withViewTextures(work); }, this);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        textureManager_->move(screen->availableGeometry().center() - textureManager_->rect().center());
    // A texture renamed there is a step; one added is not.
    textureManager_->onChanged = [this] {
        noteStep("Rename Texture");
        showCurrentState();
    };
    textureManager_->onNote = [this](const QString& note) { statusBar()->showMessage(note); };
    aboutBox_ = new AboutBox(this);

    openDocument = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    setAcceptDrops(true);
    createPresenting();
    createEditing();
    qApp->installEventFilter(this);
    showCurrentState();
}

MainWindow::~MainWindow() {
    // The child widgets are destroyed after this object has stopped being a
    // MainWindow, and after the state they show: nothing they report may
    // reach it, and the tree must stop reading the state first.
    // Pictures still being read are not wanted any more; a layout being
    // written is finished.
    delete pictures_;
    layoutPool_.waitForDone();
    remember();
    // Textures kept for undoing their removal go while the view's context is here.
    history_.reset();
    watcher_->onChanged = watcher_->onStirring = nullptr;
    qApp->removeEventFilter(this);
    disconnect(qApp, nullptr, this, nullptr);
    for (QObject* sender :
         std::initializer_list<QObject*>{partTree, partTree->selectionModel(), partTree->header(), tabBar})
        sender->disconnect(this);
    for (ResizingPanel* panel : {client_, leftPane, tabs}) panel->onResize = panel->onClick = nullptr;
    for (MousePanel* panel : {paneSplitter, widthSplitter}) panel->onDown = panel->onMove = panel->onUp = nullptr;
    delete textureManager_;
    delete aboutBox_;

    // A model still open at the end is closed like any other.
    try {
        const TreeRebuild rebuild(*treeModel);
        CloseModel(state_, *this, *this);
    } catch (...) {
        // Nothing can be shown any more; the window is going.
    }
    // Then the view's context goes, and its textures with it, while the
    // state that names them is still here.
    delete view;
    partTree->setModel(nullptr);
    delete treeModel;
}

void MainWindow::prepareLeftPane() {
    layoutLeftPane();
    runTreeCommand([this] { ResetTree(state_); });
}

TextureCombo& MainWindow::textureCombo() {
    return *textureCombo_;
}

void MainWindow::clear() {
    logView->clear();
    logEmpty_ = true;
}

void MainWindow::LogLine(std::string_view text) {
    QTextCursor cursor(logView->document());
    cursor.movePosition(QTextCursor::End);
    if (!logEmpty_) cursor.insertBlock();
    cursor.insertText(toQString(text));
    logEmpty_ = false;
}

void MainWindow::setCloseEnabled(bool enabled) {
    closeAction->setEnabled(enabled);
    saveLookAction->setEnabled(enabled);
    closeMenuAction->setEnabled(enabled);
    exportMenuAction->setEnabled(enabled);
}

void MainWindow::DisablePartOptions() {
    optionsPanel->DisablePartOptions();
}

void MainWindow::runCommand(const std::function<void()>& command) {
    struct ShowAfter {
        MainWindow& window;
        ~ShowAfter() { window.showCurrentState(); }
    } after{*this};
    runShowingFailure(prompts_, command);
}

void MainWindow::showCurrentState() {
    const QModelIndex row = state_.SelectedPart < 0 ? QModelIndex() : treeModel->partIndexRow(state_.SelectedPart);
    const PartNodeData* node = treeModel->node(row);
    if (node != nullptr)
        optionsPanel->ShowPartOptions("Options for " + QString::fromStdU16String(node->Caption));
    else
        DisablePartOptions();
    const QString title = toQString(ApplicationTitle);
    setWindowTitle(state_.ModelLoaded ? QString::fromStdU16String(state_.tree.RootNode.Caption) + " - " + title
                                      : title);
    viewHint->setVisible(!state_.ModelLoaded);
    uvLayoutAction->setEnabled(state_.ModelLoaded && state_.SelectedPart >= 0);
    // What lay under the pointer went with the model.
    if (!state_.ModelLoaded) pointerOver(SurfacePoint{});
    if (view3d_ != nullptr) view3d_->requestFrame();
    updateWatches();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (view3d_ != nullptr && (type == QEvent::KeyRelease || type == QEvent::MouseButtonRelease))
        view3d_->requestFrame();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::runTreeCommand(const std::function<void()>& command) {
    runCommand([&] {
        struct AfterRebuild {
            MainWindow& window;
            ~AfterRebuild() { window.restoreTreeView(); }
        } after{*this};
        const TreeRebuild rebuild(*treeModel);
        command();
    });
}

void MainWindow::restoreTreeView() {
    const QModelIndex root = treeModel->rootIndex();
    partTree->setExpanded(root, state_.tree.RootExpanded);
    // An open that failed before it reached the tree (a file that is gone)
    // leaves the old nodes but no loaded model: then nothing is selected and
    // there is nothing to close.
    setCloseEnabled(state_.ModelLoaded);
    const QSignalBlocker quiet(partTree->selectionModel());
    const QModelIndex selected =
        state_.SelectedPart < 0 || !state_.ModelLoaded ? QModelIndex() : treeModel->partIndexRow(state_.SelectedPart);
    if (!selected.isValid()) {
        state_.SelectedPart = -1;
        partTree->selectionModel()->clearSelection();
        DisablePartOptions();
        return;
    }
    // The selection the user made survives a command that kept the part.
    partTree->selectionModel()->setCurrentIndex(selected,
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void MainWindow::partSelected() {
    state_.SelectedPart = -1;
    const QModelIndexList rows = partTree->selectionModel()->selectedRows(PartTreeModel::NameColumn);
    const PartNodeData* node = rows.isEmpty() ? nullptr : treeModel->node(rows.first());
    // The nodes a failed load left name no part of a loaded model.
    if (node != nullptr && node->PartIndex >= 0 && state_.ModelLoaded) state_.SelectedPart = node->PartIndex;
    showCurrentState();
}

void MainWindow::selectPart(int32_t part) {
    const QModelIndex row = part < 0 ? QModelIndex() : treeModel->partIndexRow(part);
    if (!row.isValid()) {
        partTree->selectionModel()->clearSelection();
        return;
    }
    partTree->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    partTree->scrollTo(row);
}

}  // namespace korvex
