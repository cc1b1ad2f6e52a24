#pragma once
// The main window: menus, tool bar, the left pane with the part tree, its
// drag bars and tabs (log and part options), and the place of the 3-D view.
//
// One class over several files, each readable on its own:
//   main_window.cpp                   making and closing the window, the log,
//                                     running commands, the tree's selection
//   main_window_controls.cpp          building the tool bar, menus, panes, view
//   main_window_panes.cpp             laying out the panes; the drag bars
//   main_window_file_commands.cpp     open, close, dropped files, F12, exit
//   main_window_appearance_commands.cpp  parts, wireframe, colours, textures,
//                                     help and about
//   main_window_reload.cpp            files changed by other programs, Reload,
//                                     recent files, what the window remembers
//   main_window_looks.cpp             looks saved and opened; undo and redo
//   main_window_painting.cpp          UV layouts, the pixel under the
//                                     pointer, pictures dropped on the car
//   main_window_presenting.cpp        pictures at any size, the sheet of
//                                     standard views, turntable films,
//                                     smooth edges

#include "model/program_state.h"
#include "model/user_io.h"
#include "render/navigation.h"
#include "textures/pixel_buffer.h"
#include "textures/texture_gl.h"
#include "ui/colour_chooser.h"
#include "ui/window_common.h"
#include "presenting_dialogs.h"
#include "window_panels.h"

#include <QMainWindow>
#include <QThreadPool>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include <QStringList>

class QAction;
class QSettings;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QTabBar;
class QToolBar;
class QTreeView;
class QUrl;

namespace korvex {

class AboutBox;
class EditHistory;
class FileWatcher;
struct SceneSetup;
struct Setup;
class PictureReloader;
struct ReloadedPicture;
class PartOptionsPanel;
class PartTreeModel;
class TextureCombo;
class TextureComboBox;
class TextureManagerWindow;
class ViewWidget;
struct SurfacePoint;
struct UvLayoutJob;
class TurntableRecording;

class MainWindow : public QMainWindow, public LogSink, public CommandControls {
    Q_OBJECT
public:
    // `prompts` and `colours` are shown by the commands; the window shows an
    // escaped failure through `prompts` too.
    MainWindow(Prompts& prompts, ColourChooser& colours, QWidget* parent = nullptr);
    ~MainWindow() override;

    ProgramState& state() { return state_; }
    // The options panel's texture box, as the texture library fills it.
    TextureCombo& textureCombo();
    // The texture manager and the about box: made hidden with this window,
    // kept until it goes.
    TextureManagerWindow* textureManager() const { return textureManager_; }
    AboutBox* aboutBox() const { return aboutBox_; }

    // The 3-D view, or nothing when this display has no OpenGL (`view` is
    // then a plain black panel).
    ViewWidget* view3d() const { return view3d_; }

    // Opens `path` as the open command does once its file dialog has answered.
    void openModel(const std::filesystem::path& path);
    // Opens a model file dropped on the window (or chosen from the recent
    // files), as "Open" would have; a look file opens as a look.
    void openDroppedModel(const std::filesystem::path& path);
    // Opens a look file, or a model file as openModel does.
    void openFile(const std::filesystem::path& path);
    // Opens the look in `file` with its model, its textures and its set-up;
    // a bad look is said in one box and changes nothing.
    void openLookFile(const std::filesystem::path& file);
    // "Save Look..." and "Open Look...".
    void saveLookCommand();
    void openLookCommand();
    // The steps that "Undo" and "Redo" go through.
    EditHistory& history() { return *history_; }

    // LogSink: the "Log" tab.
    void clear() override;
    void LogLine(std::string_view text) override;
    // CommandControls.
    void setCloseEnabled(bool enabled) override;
    void DisablePartOptions() override;

    // Runs a command; a failure that escapes it is shown in the
    // application's error box and the program goes on. Then the window
    // shows what the command left.
    void runCommand(const std::function<void()>& command);
    // After any change: the options panel shows the selected part as it is
    // now, the title names the open file, the view's hint and picture follow.
    void showCurrentState();

    // File commands.
    void openModelCommand();
    void openModelMenuCommand();
    void closeModelCommand();
    void exitCommand();
    // "Reload" (F5): the model and its settings file read again with the
    // user's set-up kept, and every picture read again.
    void reloadCommand();
    // Opens a model of the recent list, or takes it off when it is gone.
    void openRecentFile(const QString& path);
    void clearRecentFiles();
    // The models opened last, newest first, at most RecentFileCount.
    QStringList recentFiles() const { return recentFiles_; }
    static constexpr int RecentFileCount = 10;
    // Keeps what the window remembers across runs in `memory` (the recent
    // files, its size and place, the drag bars, "Rotating" and the scene
    // colours), taking up what it holds now. The window keeps nothing
    // without one.
    void useMemory(QSettings* memory);
    // Writes what the window remembers into its memory now.
    void remember();
    // The files watched for changes made by other programs.
    FileWatcher& fileWatcher() { return *watcher_; }
    // Pictures read again and shown so far.
    uint64_t picturesReloaded() const { return picturesReloaded_; }
    // F12, "File > Save View As Picture": saves the 3-D view as it shows.
    void saveViewPicture();
    // "File > Save Picture..." (Shift+F12): asks the size, background and
    // smooth edges, then draws the view off screen at that size.
    void savePictureCommand();
    // "File > Save Standard Views...": front, side, top and three-quarter,
    // each fitted, two by two with a caption line, as one picture.
    void saveStandardViewsCommand();
    // "File > Export Turntable...": one full turn from the current view as
    // an MP4 or animated WebP film, drawn frame by frame while the window
    // goes on answering.
    void exportTurntableCommand();
    // Ask the options of a picture or a film; the window's dialogs when not set.
    std::function<std::optional<PictureOptions>(const QString& title, QSize viewSize)> askPictureOptions;
    std::function<std::optional<TurntableOptions>()> askTurntableOptions;
    // Pictures being written, and the film being made (or nothing).
    int picturesRunning() const { return picturesRunning_; }
    TurntableRecording* turntableRecording() const { return recording_; }
    // "File > Export...": the model as glTF or OBJ, without the parts left unchecked.
    void exportModelCommand();
    // "File > Export UV Layout...": the layout of the selected part's
    // texture (or of the part alone) as a PNG template, drawn and written
    // away from the window's thread.
    void exportUvLayoutCommand();
    // Asks whether the layout is drawn over the picture: nothing when the
    // user cancels. The window's dialog when not set.
    std::function<std::optional<bool>(const QString& summary, bool hasPicture)> askUvLayoutOptions;
    int uvLayoutsRunning() const { return uvLayoutsRunning_; }
    // Names in the status bar what lies under the pointer on the car.
    void pointerOver(const SurfacePoint& point);
    // A picture file dropped on the window: added to the textures as "Add
    // a Texture" adds it and given to `part`, unless that is -1; one step.
    void dropPicture(const std::filesystem::path& path, int32_t part);

    // Appearance, texture and help commands.
    void restoreFileSettingsCommand();
    void hideAllPartsCommand();
    void showAllPartsCommand();
    void toggleWireframe();
    void manageTexturesCommand();
    void untextureAllParts();
    void textureNonWheelParts();
    void textureWheelParts();
    void chooseBackgroundColour();
    void chooseBacklightColour();
    void showHelp();
    void showAbout();

    // Opens a document or link with the desktop's handler; answers false
    // when none could be started.
    std::function<bool(const QUrl&)> openDocument;

    // What every frame reads of the window's controls.
    FrameControls frameControls() const;

    // The View menu's commands, and a click on a part of the view.
    void fitView();
    void setStandardView(StandardView which);
    void resetView();
    void selectPart(int32_t part);

    // What the panes and the tree report.
    void partSelected();
    void layoutLeftPane();
    void tabChanged();
    void layoutTabs();

    // The tool bar: a fixed strip holding the bar with the buttons.
    QToolBar* toolBarStrip;
    QToolBar* toolBar;
    QAction *openAction, *closeAction, *texturesAction, *hideAllAction, *showAllAction, *restoreSettingsAction,
        *wireframeAction;
    // The menus; an item that repeats a tool button has its own action,
    // which triggers the button's.
    QMenu *fileMenu, *editMenu, *optionsMenu, *viewMenu, *helpMenu;
    QAction *openMenuAction, *closeMenuAction, *exportMenuAction, *uvLayoutAction, *texturesMenuAction, *exitAction;
    QAction *reloadAction, *reloadChangedAction, *clearRecentAction;
    QAction *openLookAction, *saveLookAction, *undoAction, *redoAction;
    QMenu* recentMenu;
    QAction *rotatingAction, *showAllMenuAction, *hideAllMenuAction, *untextureAllAction, *textureNonWheelAction,
        *textureWheelAction, *uncolourAllAction, *randomColoursAction, *allTransparentAction, *allOpaqueAction,
        *allReflectingAction, *allMattAction, *restoreSettingsMenuAction, *backgroundColourAction,
        *backlightColourAction;
    QAction *saveViewAction, *savePictureAction, *saveStandardViewsAction, *turntableAction, *smoothEdgesAction;
    QAction *fitAction, *frontViewAction, *sideViewAction, *topViewAction, *threeQuarterViewAction, *resetViewAction;
    QAction *helpAction, *aboutAction;
    // The left pane: the tree over the bar that divides it from the tabs,
    // and the bar along its right edge that sets its width.
    ResizingPanel* leftPane;
    QTreeView* partTree;
    MousePanel* paneSplitter;
    ResizingPanel* tabs;
    QTabBar* tabBar;
    QPlainTextEdit* logView;
    QScrollArea* optionsScroll;
    PartOptionsPanel* optionsPanel;
    MousePanel* widthSplitter;
    // The 3-D view, or its black stand-in, and the hint it shows while no
    // model is open.
    QWidget* view;
    QLabel* viewHint;
    PartTreeModel* treeModel;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Any key or button the user lets go of may have changed the picture.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building the window.
    void createToolBar();
    void createMenus();
    void createLeftPane(QWidget* client);
    void createView(QWidget* client);
    // Watching and reading files again.
    void createReloading();
    // Undo and redo.
    void createEditing();
    // After a change the user made: it becomes an undo step called `name`.
    void noteStep(const QString& name);
    // Runs a command; what it changes becomes an undo step called `name`.
    void runStep(const QString& name, const std::function<void()>& command);
    // Shows the set-up an undo or redo put back: the parts, then the scene.
    void showSetup(const Setup& setup);
    // The scene colours, wireframe and frame controls of `scene`, into the
    // state, the view and the controls; the camera is left alone.
    void showScene(const SceneSetup& scene);
    // Watches the open model's files and pictures, or nothing.
    void updateWatches();
    void filesChanged(const std::vector<std::filesystem::path>& files);
    void reloadModelFile();
    void rereadSettingsFile();
    // Whether a texture of the library is made from `file` (in watched form).
    bool isTexturePicture(const std::filesystem::path& file) const;
    // Gives the textures made from `file` the picture read again from it.
    void pictureRead(const std::filesystem::path& file, std::optional<ReloadedPicture>& picture);
    // Puts a model just opened at the top of the recent list.
    void noteRecentFile(const std::filesystem::path& model);
    void showRecentFiles();
    // Notes in the status bar that frames are slow to draw, or takes the note away.
    void noteSlowFrames(bool slow, uint32_t milliseconds);
    void createViewMenu();
    // The picture and film commands and "Smooth Edges".
    void createPresenting();
    // Takes "Smooth Edges" from the window's memory, or puts it there.
    void rememberSmoothEdges(bool remember);
    // The status tip of "Smooth Edges": the samples the display granted.
    void noteSmoothEdges();
    QSize viewPixelSize() const;
    // The name a save dialog suggests: the model's file name without its
    // extension (`unnamed` with no model open) followed by `ending`, as in
    // "car.png" or "car_views.png".
    std::filesystem::path suggestedFileName(const char* unnamed, const char* ending) const;
    std::optional<PictureOptions> askPicture(const QString& title);
    int stillSamples(bool smooth) const;
    // Encodes and writes `picture` as a PNG away from the window's thread.
    void writePictureAway(const QImage& picture, const std::filesystem::path& target);
    // "WHAT could not be saved to TARGET: FAILURE" in a box, or "NAME was
    // written." in the status bar.
    void noteWritten(const std::string& what, const std::filesystem::path& target, const std::string& failure);
    // Lays out the left pane and puts the tree into its "No File Loaded" state.
    void prepareLeftPane();

    // The panes.
    void connectDragBars();
    void layoutClient();
    void setLeftPaneWidth(int width);
    // The widest the pane may be and still leave the view its room.
    int widestLeftPane() const;
    void startDrag(QPoint at);
    void endDrag(QPoint at);

    // Runs a command that may replace the tree's nodes, then shows the tree
    // and the options panel as the command left them.
    void runTreeCommand(const std::function<void()>& command);
    void restoreTreeView();
    // The model, export and picture dialogs open next in the folder of `model`.
    void rememberModelFolder(const std::filesystem::path& model);
    // Runs an open command; after it, the dialogs start beside the file it
    // named, and an open that failed brings the log forward and says so in
    // the status bar.
    void runOpenCommand(const std::function<void()>& open);
    UserIo io() { return UserIo{*this, prompts_}; }

    // Runs `work` on the view's OpenGL state; nothing without a view.
    void withViewContext(const std::function<void()>& work);
    // Runs texture work where the view draws the textures.
    void withViewTextures(const std::function<void(TextureGl&)>& work);
    // The picture of texture library entry `entry` that an export writes.
    std::optional<PixelBuffer> exportedPicture(std::size_t entry);
    // Has the texture manager pick a texture for a texture-all command: its
    // library position plus 1, or nothing.
    std::optional<int32_t> ChooseTexture();

    ProgramState state_;
    Prompts& prompts_;
    ColourChooser& colours_;
    std::unique_ptr<TextureComboBox> textureCombo_;
    TextureManagerWindow* textureManager_;
    AboutBox* aboutBox_;
    ViewWidget* view3d_ = nullptr;
    ResizingPanel* client_;
    // The width the user gave the pane, and the share of its height above
    // the bar under the tree.
    int leftPaneWidth_;
    double splitterShare_ = 0.0;
    bool logEmpty_ = false;
    FileWatcher* watcher_ = nullptr;
    // Changes seen while a modal dialog was up, taken up once it is gone.
    std::set<std::filesystem::path> pendingChanges_;
    PictureReloader* pictures_ = nullptr;
    uint64_t picturesReloaded_ = 0;
    QStringList recentFiles_;
    QSettings* memory_ = nullptr;
    std::unique_ptr<EditHistory> history_;
    // The look last saved or opened, where "Save Look..." suggests saving.
    std::filesystem::path lookPath_;
    // The status bar's note of what lies under the pointer, while it shows.
    QString pointerNote_;
    // Whether the last layout with a picture was drawn over it.
    bool uvOver_ = false;
    void startUvLayout(UvLayoutJob job);
    int uvLayoutsRunning_ = 0;
    PictureOptions pictureOptions_;
    TurntableOptions turntableOptions_;
    int picturesRunning_ = 0;
    TurntableRecording* recording_ = nullptr;
    QThreadPool layoutPool_;
};

inline constexpr std::string_view PictureFileFilter =
    "PNG Image (*.png)|*.png|JPEG Image (*.jpg)|*.jpg;*.jpeg|Bitmaps (*.bmp)|*.bmp";

inline constexpr std::string_view PngFileFilter = "PNG Image (*.png)|*.png";
inline constexpr std::string_view UvLayoutFileFilter = PngFileFilter;

// What the status bar says of point `point` of the car: "Hood  stripes.tga
// x 812  y 233" on a textured part, "Hood  no texture  u 0.396  v 0.772" on
// another; empty off the car.
QString pointerNoteText(const ProgramState& state, const SurfacePoint& point);

inline constexpr std::string_view EmptyViewHint = "Open a model with File > Open or drop a .o file here";

// Said once at start when the display cannot give the 3-D view an OpenGL context.
inline constexpr std::string_view NoOpenGlMessage =
    "The 3-D view cannot be shown: this display offers no OpenGL drawing with a depth buffer "
    "(an OpenGL graphics driver such as Mesa is needed).\n\n"
    "The car is not drawn, but the part tree, the part options and the log still work.";

}  // namespace korvex
