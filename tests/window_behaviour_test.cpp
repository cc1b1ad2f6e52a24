// The main window as a new user meets it: it keeps drawing through any
// resize, shows the selected part as it is now, names the open file, draws
// only when something changes, and answers the wheel, pans, the View menu
// and clicks on the car.

#include "app/korvex_application.h"
#include "app/main_window.h"
#include "settings/geomdata_file.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/image_writers.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/model_file_builder.h"
#include "tests/support/test_model.h"
#include "tests/support/widget_driving.h"
#include "tests/support/window_checks.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"
#include "ui/texture_manager_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTreeView>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace korvex;

namespace {

const std::filesystem::path SampleCar = KORVEX_SAMPLE_CAR;

// A clock that moves on by `step` at every reading.
struct StepClock {
    uint32_t now = 5000;
    uint32_t step = 10;
    uint32_t read() { return now += step; }
};

class WindowBehaviourTest : public fixtures::MainWindowFixture {
protected:
    ProgramState& state() { return window->state(); }
    PartOptionsPanel& panel() { return *window->optionsPanel; }
    PartTreeModel& model() { return *window->treeModel; }
    ViewWidget& view() { return *window->view3d(); }
    QModelIndex part(int row) { return model().index(row, 0, model().rootIndex()); }
    void select(int row) {
        window->partTree->selectionModel()->setCurrentIndex(
            part(row), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    void openSampleCar() {
        window->openModel(SampleCar);
        ASSERT_TRUE(state().ModelLoaded);
    }
    // A press, a move with the button held, or a release of `button`.
    void mouse(QEvent::Type type, Qt::MouseButton button, QPoint at, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        fixtures::sendMouse(window->view, type, button, at, keys);
    }
    void drag(Qt::MouseButton button, QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        mouse(QEvent::MouseButtonPress, button, from, keys);
        mouse(QEvent::MouseMove, button, to, keys);
        mouse(QEvent::MouseButtonRelease, button, to, keys);
    }
    void wheel(int delta) {
        const QPointF at(50, 50);
        QWheelEvent event(at, window->view->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(window->view, &event);
    }
    // The view as the X server shows it, not as its own buffer holds it.
    QImage viewOnScreen() {
        const QPoint origin = window->view->mapToGlobal(QPoint(0, 0));
        return window->screen()
            ->grabWindow(0, origin.x(), origin.y(), window->view->width(), window->view->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB888);
    }
    // The sample car open and standing still, the frame loop let go, the
    // view following `clock`.
    void letStillCarRun(StepClock& clock) {
        view().setTickSource([&clock] { return clock.read(); });
        window->rotatingAction->setChecked(false);
        openSampleCar();
        view().setFrameLoopHeld(false);
    }
    bool resizedTo(QSize size) {
        window->resize(size);
        return QTest::qWaitFor([&] { return window->size() == size.expandedTo(window->minimumSize()); });
    }
};

TEST_F(WindowBehaviourTest, TheViewDrawsOnScreenAtTheSmallestSizeAndAfterGrowingBack) {
    openSampleCar();
    window->rotatingAction->setChecked(false);
    const QSize designed = window->size();
    const int treeHeight = window->partTree->height();
    ASSERT_TRUE(resizedTo({150, 120}));
    EXPECT_EQ(window->size(), QSize(480, 420));
    QTest::qWait(100);
    EXPECT_GE(window->view->width(), 160);
    EXPECT_GT(fixtures::litShare(viewOnScreen()), 0.05) << "at the smallest size";

    ASSERT_TRUE(resizedTo(designed));
    QTest::qWait(100);
    EXPECT_GT(fixtures::litShare(viewOnScreen()), 0.05) << "back at the designed size";
    EXPECT_EQ(window->partTree->height(), treeHeight);
}

TEST_F(WindowBehaviourTest, TheOptionsHeadingFollowsRenamesAndTheFileSettings) {
    openSampleCar();
    select(2);
    const QString fileName = model().data(part(2), Qt::DisplayRole).toString();
    ASSERT_EQ(panel().partGroup->title(), "Options for " + fileName);
    ASSERT_TRUE(model().setData(part(2), "Bonnet", Qt::EditRole));
    EXPECT_EQ(panel().partGroup->title(), "Options for Bonnet");
    EXPECT_TRUE(panel().partGroup->toolTip().isEmpty());

    window->restoreSettingsAction->trigger();
    EXPECT_EQ(model().data(part(2), Qt::DisplayRole).toString(), fileName);
    EXPECT_EQ(panel().partGroup->title(), "Options for " + fileName);

    // A name too long for the frame is cut there and read whole in the tip.
    const QString longName(80, QChar('W'));
    ASSERT_TRUE(model().setData(part(2), longName, Qt::EditRole));
    const QString title = panel().partGroup->title();
    EXPECT_TRUE(title.startsWith("Options for W") && title.endsWith(QChar(0x2026))) << title.toStdString();
    EXPECT_LE(panel().partGroup->fontMetrics().horizontalAdvance(title), panel().partGroup->width());
    EXPECT_EQ(panel().partGroup->toolTip(), "Options for " + longName);
    EXPECT_EQ(model().data(part(2), Qt::ToolTipRole).toString(), longName);
}

TEST_F(WindowBehaviourTest, TheTextureBoxKeepsShowingThePartsTextureAndTakesNoTypedName) {
    fixtures::TempDir dir;
    const auto add = [&](const std::string& name) {
        images::writeFile(dir / name, images::writeTga(images::testPattern(8, 8)));
        prompts.fileAnswers.push_back(dir / name);
        window->textureManager()->addButton->click();
    };
    add("paint.tga");
    add("rubber.tga");
    openSampleCar();
    select(0);
    QComboBox& box = *panel().textureBox;
    EXPECT_FALSE(box.isEditable());
    box.setCurrentIndex(2);
    emit box.activated(2);
    ASSERT_EQ(state().partList.Parts[0].TextureIndex, 2);

    add("chrome.tga");
    EXPECT_EQ(box.currentText(), "rubber.tga") << "after a texture was added";
    QListWidgetItem* rubber = window->textureManager()->textureList->item(1);
    rubber->setText("tyre");
    EXPECT_EQ(box.currentText(), "tyre") << "after the texture was renamed";
    EXPECT_EQ(box.toolTip(), "tyre");
    EXPECT_EQ(rubber->toolTip(), "tyre");
    window->textureManager()->textureList->setCurrentRow(0);
    window->textureManager()->removeButton->click();
    EXPECT_EQ(state().partList.Parts[0].TextureIndex, 1);
    EXPECT_EQ(box.currentText(), "tyre") << "after another texture was removed";

    box.setFocus();
    QTest::keyClicks(&box, "mytexture");
    EXPECT_NE(box.currentText(), "mytexture");
    EXPECT_GE(box.findText(box.currentText()), 0) << "only the library's names can show";
}

TEST_F(WindowBehaviourTest, TheNamesColumnStretchesWithThePane) {
    openSampleCar();
    QHeaderView& header = *window->partTree->header();
    QWidget& rows = *window->partTree->viewport();
    // The scroll bar comes with the rows, once the tree has laid them out.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->partTree->verticalScrollBar()->isVisible(); }));
    const int names = header.sectionSize(PartTreeModel::NameColumn);
    const int room = rows.width();
    const int counts = header.sectionSize(PartTreeModel::VertexCountColumn);
    MousePanel* bar = window->widthSplitter;
    const auto send = [bar](QEvent::Type type, QPoint at) {
        QMouseEvent event(type, QPointF(at), bar->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &event);
    };
    send(QEvent::MouseButtonPress, {3, 10});
    send(QEvent::MouseMove, {3 + 120, 10});
    send(QEvent::MouseButtonRelease, {3 + 120, 10});
    EXPECT_TRUE(QTest::qWaitFor([&] { return rows.width() == room + 120; }));
    EXPECT_EQ(header.sectionSize(PartTreeModel::NameColumn), names + 120);
    EXPECT_EQ(header.sectionSize(PartTreeModel::VertexCountColumn), counts);
}

TEST_F(WindowBehaviourTest, TheTitleNamesTheOpenFileAndTheEmptyViewSaysWhatToDo) {
    EXPECT_EQ(fixtures::x11Title(*window), "Korvex Model Viewer");
    EXPECT_TRUE(window->viewHint->isVisible());
    EXPECT_EQ(window->viewHint->text(), "Open a model with File > Open or drop a .o file here");
    openSampleCar();
    EXPECT_EQ(window->windowTitle(), "car.o - Korvex Model Viewer");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fixtures::x11Title(*window) == "car.o - Korvex Model Viewer"; }));
    EXPECT_FALSE(window->viewHint->isVisible());
    window->closeAction->trigger();
    EXPECT_EQ(window->windowTitle(), "Korvex Model Viewer");
    EXPECT_TRUE(window->viewHint->isVisible());
}

TEST_F(WindowBehaviourTest, WireframeButtonShowsItsStateAndTheSettingsDialogStartsBesideTheModel) {
    window->wireframeAction->trigger();
    EXPECT_TRUE(window->wireframeAction->isChecked());
    window->wireframeAction->trigger();
    EXPECT_FALSE(window->wireframeAction->isChecked());

    // A model without a settings file: the dialog that asks for one opens in its folder.
    fixtures::CarFolder folder;
    fixtures::ModelDescription description;
    description.parts.push_back({"geo_r_1_a", fixtures::quadBlock()});
    fixtures::writeFile(folder.model(), description.build());
    window->openModel(folder.model());
    EXPECT_EQ(prompts.startFolders[std::string(GeomDataFileFilter)], folder.modelFolder());
}

TEST_F(WindowBehaviourTest, NothingIsDrawnWhileIdleAndOneFrameAfterEachChange) {
    StepClock clock;
    letStillCarRun(clock);
    // Waits for the frames a change asked for, however long they take.
    const auto settled = [&] {
        uint64_t last = view().framesDrawn();
        for (int tries = 0; tries < 40; ++tries) {
            QTest::qWait(60);
            if (view().framesDrawn() == last) break;
            last = view().framesDrawn();
        }
        return last;
    };
    uint64_t frames = settled();
    QTest::qWait(300);
    EXPECT_EQ(view().framesDrawn(), frames) << "idle";

    const std::pair<const char*, std::function<void()>> changes[] = {
        {"a part hidden", [&] { model().setData(part(0), Qt::Unchecked, Qt::CheckStateRole); }},
        {"a rename", [&] { model().setData(part(1), "Nose", Qt::EditRole); }},
        {"a bulk command", [&] { window->uncolourAllAction->trigger(); }},
        {"show all", [&] { window->showAllAction->trigger(); }},
        {"wireframe", [&] { window->wireframeAction->trigger(); }},
        {"wireframe off", [&] { window->wireframeAction->trigger(); }},
        {"the slider", [&] { panel().detailSlider->setValue(40); }},
        {"level of detail off", [&] { panel().useDetailBox->setChecked(false); }},
        {"the wheel", [&] { wheel(120); }},
        {"a drag",
         [&] {
             drag(Qt::LeftButton, {40, 40}, {90, 60});
         }},
        {"View > Fit", [&] { window->fitAction->trigger(); }},
        {"a resize", [&] { resizedTo(window->size() + QSize(20, 10)); }},
    };
    for (const auto& [what, change] : changes) {
        change();
        const uint64_t after = settled();
        EXPECT_GT(after, frames) << what;
        QTest::qWait(150);
        EXPECT_EQ(view().framesDrawn(), after) << "idle again after " << what;
        frames = view().framesDrawn();
    }

    // A selected part pulses, and a turning model turns: frames follow one
    // another, no faster than about 60 a second.
    for (const auto& [what, start, stop] :
         {std::tuple<const char*, std::function<void()>, std::function<void()>>{
              "pulsing", [&] { select(2); }, [&] { window->partTree->selectionModel()->clearSelection(); }},
          {"rotating", [&] { window->rotatingAction->setChecked(true); },
           [&] { window->rotatingAction->setChecked(false); }}}) {
        start();
        QTest::qWait(60);
        // A loaded machine draws each frame slowly: count frames until there
        // are enough to tell a loop from a single frame, and bound their rate
        // by the time they took.
        const uint64_t before = view().framesDrawn();
        QElapsedTimer watch;
        watch.start();
        while (view().framesDrawn() - before < 6 && watch.elapsed() < 5000) QTest::qWait(20);
        QTest::qWait(200);
        const uint64_t drawn = view().framesDrawn() - before;
        const qint64 elapsed = watch.elapsed();
        EXPECT_GE(drawn, 6u) << what << " in " << elapsed << " ms";
        EXPECT_LE(drawn, static_cast<uint64_t>(elapsed * 66 / 1000 + 2)) << what << " in " << elapsed << " ms";
        stop();
        frames = settled();
        QTest::qWait(150);
        EXPECT_EQ(view().framesDrawn(), frames) << "idle after " << what;
    }
}

TEST_F(WindowBehaviourTest, AModelSetTurningAgainGoesOnFromWhereItStood) {
    StepClock clock;
    letStillCarRun(clock);
    QTest::qWait(50);
    const float angle = state().view.RotationY;
    clock.now += 60000;  // a minute of standing still
    window->rotatingAction->setChecked(true);
    // However slowly this machine draws: the first frame turns it by
    // nothing, the next ones a little.
    ASSERT_TRUE(QTest::qWaitFor([&] { return state().view.RotationY != angle; }, 5000));
    // Ten milliseconds a reading: a few frames turn it by well under a degree each.
    EXPECT_LT(state().view.RotationY - angle, 10.0f);
    EXPECT_GT(state().view.RotationY, angle);
}

TEST_F(WindowBehaviourTest, WheelPanAndTheViewMenuMoveTheCamera) {
    openSampleCar();
    const ViewState start = state().view;
    wheel(120);
    EXPECT_GT(state().view.ZoomZ, start.ZoomZ) << "nearer";
    for (int i = 0; i < 100; ++i) wheel(120);
    EXPECT_LE(state().view.ZoomZ, 0.0f);
    wheel(-240);
    EXPECT_LT(state().view.ZoomZ, 0.0f) << "away again";

    for (const Qt::MouseButton button : {Qt::MiddleButton, Qt::LeftButton}) {
        const ViewState before = state().view;
        drag(button, {100, 100}, {140, 80}, button == Qt::LeftButton ? Qt::ShiftModifier : Qt::NoModifier);
        EXPECT_GT(state().view.PanX, before.PanX) << button;
        EXPECT_GT(state().view.PanY, before.PanY) << button;
        EXPECT_EQ(state().view.RotationY, before.RotationY) << button;
        EXPECT_EQ(state().view.RotationX, before.RotationX) << button;
    }

    // The keys of the View menu: F fits, 1 to 4 the standard views.
    QTest::keyClick(window.get(), Qt::Key_F);
    EXPECT_EQ(state().view.PanX, 0.0f);
    EXPECT_NE(state().view.Centre[0] + state().view.Centre[1] + state().view.Centre[2], 0.0f);
    QTest::keyClick(window.get(), Qt::Key_3);
    EXPECT_EQ(state().view.RotationX, 90.0f) << "from the top";
    QTest::keyClick(window.get(), Qt::Key_1);
    const float front = state().view.RotationY;
    QTest::keyClick(window.get(), Qt::Key_2);
    EXPECT_NE(state().view.RotationY, front) << "from the side";
    window->resetViewAction->trigger();
    EXPECT_EQ(state().view.RotationX, 20.0f);
    EXPECT_EQ(state().view.ZoomZ, -4.0f);
    EXPECT_EQ(state().view.PanX, 0.0f);
    EXPECT_EQ(state().view.Centre[0], 0.0f);
}

TEST_F(WindowBehaviourTest, AClickOnThePictureSelectsThePartUnderItAndEmptySpaceClears) {
    openSampleCar();
    window->rotatingAction->setChecked(false);
    const QImage drawn = view().grabFramebuffer().convertToFormat(QImage::Format_RGB888);
    const QPoint centre(drawn.width() / 2, drawn.height() / 2);
    ASSERT_NE(drawn.pixelColor(centre), QColor(Qt::black)) << "the car covers the middle of the view";

    mouse(QEvent::MouseButtonPress, Qt::LeftButton, centre);
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, centre);
    ASSERT_GE(state().SelectedPart, 0);
    const QModelIndex selected = window->partTree->selectionModel()->currentIndex();
    EXPECT_EQ(model().node(selected)->PartIndex, state().SelectedPart);
    EXPECT_EQ(panel().partGroup->title(), "Options for " + model().data(selected, Qt::DisplayRole).toString());

    mouse(QEvent::MouseButtonPress, Qt::LeftButton, {2, 2});
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {2, 2});
    EXPECT_EQ(state().SelectedPart, -1);
    EXPECT_TRUE(window->partTree->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(panel().partGroup->title(), "No Geometry Selected");

    // A drag is no click: the selection stays as it was.
    select(3);
    drag(Qt::LeftButton, {2, 2}, {60, 30});
    EXPECT_EQ(state().SelectedPart, model().node(part(3))->PartIndex);
}

}  // namespace

int main(int argc, char** argv) {
    return korvex::fixtures::runGuiTests<KorvexApplication>(argc, argv);
}
