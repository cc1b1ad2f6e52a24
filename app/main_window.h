#pragma once
// The main window: menus, tool bar, the left pane with the part tree, its
// drag bars and tabs (log and part options), and the place of the 3-D view.

#include "model/program_state.h"
#include "model/user_io.h"
#include "textures/texture_gl.h"
#include "ui/colour_chooser.h"
#include "ui/window_common.h"

#include <QFrame>
#include <QMainWindow>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QPlainTextEdit;
class QTabBar;
class QToolBar;
class QTreeView;

namespace korvex {

class PartOptionsPanel;
class PartTreeModel;
class TextureCombo;
class TextureComboBox;
class TForm2;
class TForm3;
class ViewWidget;

// A panel that hands its mouse presses, moves and releases to the window:
// the drag bars and the 3-D view.
class MousePanel : public QFrame {
public:
    using Handler = std::function<void(QPoint)>;
    explicit MousePanel(QWidget* parent) : QFrame(parent) {}
    Handler onDown, onMove, onUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A widget that reports its size changes (and clicks on its background).
class ResizingPanel : public QWidget {
public:
    explicit ResizingPanel(QWidget* parent) : QWidget(parent) {}
    std::function<void()> onResize, onClick;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

class TForm1 : public QMainWindow, public LogSink, public CommandControls {
    Q_OBJECT
public:
    // `prompts` and `colours` are shown by the commands; the window shows an
    // escaped failure through `prompts` too.
    TForm1(Prompts& prompts, ColourChooser& colours, QWidget* parent = nullptr);
    ~TForm1() override;

    ProgramState& state() { return state_; }
    // The options panel's texture box, as the texture library fills it.
    TextureCombo& textureCombo();

    // The 3-D view, or nothing when this display has no OpenGL (Panel4 is
    // then a plain black panel).
    ViewWidget* view3d() const { return view3d_; }

    // Opens `path` as the open command does once its file dialog has answered.
    void openModel(const std::filesystem::path& path);
    // Opens a model file dropped on the window, as "Open" would have.
    void openDroppedModel(const std::filesystem::path& path);

    // LogSink: Memo1.
    void clear() override;
    void LogLine(std::string_view text) override;
    // CommandControls.
    void setCloseEnabled(bool enabled) override;
    void DisablePartOptions() override;

    // Runs a command; a failure that escapes it is shown in the
    // application's error box and the program goes on.
    void runCommand(const std::function<void()>& command);

    // Command handlers.
    void ToolButton1Click();
    void ToolButton3Click();
    void Open1Click();
    void ToolButton7Click();
    void ToolButton8Click();
    void ToolButton9Click();
    void Exit1Click();
    void ToolButton12Click();
    void ToolButton5Click();
    void UntextureAllParts1Click();
    void extureAllParts1Click();
    void extureAllWheelParts1Click();
    void BackgroundColour1Click();
    void BacklightColour1Click();
    void Howtousethisprogram1Click();
    void About1Click();
    // F12: saves the 3-D view as a picture.
    void SaveViewPicture();
    void TreeChange();
    void Panel2Resize();
    void TabsChange();
    void TabsResize();

    // Controls, named as in the window's layout.
    QToolBar* CoolBar1;
    QToolBar* ToolBar1;
    QAction *ToolButton1, *ToolButton3, *ToolButton5, *ToolButton7, *ToolButton8, *ToolButton9, *ToolButton12;
    QMenu *File1, *Options1, *Help1;
    QAction *Open1, *Close1, *ManageTextures1, *Exit1;
    QAction *ShowStatistics1, *ShowAllParts1, *HideAllParts1, *UntextureAllParts1, *extureAllParts1,
        *extureAllWheelParts1, *UncolourAll1, *Psyco1, *SetAllTransparent1, *SetAllEnviromentMapped1,
        *SetAllEnviromentMapped2, *SetAllMatt1, *RestoreFileSettings1, *BackgroundColour1, *BacklightColour1;
    QAction *Howtousethisprogram1, *About1;
    ResizingPanel* Panel2;
    QTreeView* Tree;
    MousePanel* Panel1;
    ResizingPanel* Tabs;
    QTabBar* TabBar;  // the tab strip of Tabs
    QPlainTextEdit* Memo1;
    PartOptionsPanel* GroupBox1;
    MousePanel* Panel3;
    QWidget* Panel4;
    PartTreeModel* treeModel;
    // The texture manager: made hidden with this window, kept until it goes.
    TForm2* Form2;
    // The about box: made hidden with this window, kept until it goes.
    TForm3* Form3;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    void createToolBar();
    void createMenus();
    void createLeftPane(QWidget* client);
    void createView(QWidget* client);
    // Runs `work` on the view's OpenGL state; nothing without a view.
    void withViewContext(const std::function<void()>& work);
    // Runs texture work where the view draws the textures.
    void withViewTextures(const std::function<void(TextureGl&)>& work);
    // Has the texture manager pick a texture for a texture-all command: its
    // library position plus 1, or nothing.
    std::optional<int32_t> ChooseTexture();
    void connectDragBars();
    void layoutClient();
    void setPanel2Width(int width);
    void startDrag(QPoint at);
    void endDrag(QPoint at);
    // Runs a command that may replace the tree's nodes, then shows the tree
    // and the options panel as the command left them.
    void runTreeCommand(const std::function<void()>& command);
    void restoreTreeView();
    // The model file dialog opens next in the folder of `model`.
    void rememberModelFolder(const std::filesystem::path& model);
    UserIo io() { return UserIo{*this, prompts_}; }

    ProgramState state_;
    Prompts& prompts_;
    ColourChooser& colours_;
    std::unique_ptr<TextureComboBox> textureCombo_;
    ViewWidget* view3d_ = nullptr;
    ResizingPanel* client_;
    int panel2Width_ = 233;
    bool memoEmpty_ = false;
};

inline constexpr std::string_view PictureFileFilter =
    "PNG Image (*.png)|*.png|JPEG Image (*.jpg)|*.jpg;*.jpeg|Bitmaps (*.bmp)|*.bmp";

// Said once at start when the display cannot give the 3-D view an OpenGL context.
inline constexpr std::string_view NoOpenGlMessage =
    "The 3-D view cannot be shown: this display offers no OpenGL drawing with a depth buffer "
    "(an OpenGL graphics driver such as Mesa is needed).\n\n"
    "The car is not drawn, but the part tree, the part options and the log still work.";

}  // namespace korvex
