// One long session of the real main window: thousands of commands drawn at
// random from everything a user can do, a frame drawn after each, and the
// window's promises checked after every one. The seed is printed first, so
// a failing session can be run again as it was (KORVEX_SESSION_SEED);
// KORVEX_SESSION_COMMANDS sets its length (and KORVEX_SESSION_PICTURE keeps
// a picture of the window at the end). Under the sanitizers, which make
// every command several times slower, the session is shorter.

#include "app/korvex_application.h"
#include "app/main_window.h"
#include "model/bulk_memory.h"
#include "render/view_widget.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/image_writers.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/sanitizers.h"
#include "tests/support/test_model.h"
#include "tests/support/widget_driving.h"
#include "textures/texture_library.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"
#include "ui/texture_manager_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTreeView>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <new>
#include <random>

using namespace korvex;

namespace {

const std::filesystem::path SampleCar = KORVEX_SAMPLE_CAR;

// Pages of the process's own (heap and other anonymous memory, not the
// libraries it has read), once the allocator has given back what it keeps
// free. The software OpenGL driver's working memory is among them and comes
// and goes by tens of megabytes as it sees fit.
uint64_t anonymousBytes() {
    ::malloc_trim(0);
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("RssAnon:")) return std::stoull(line.substr(8)) * 1024;  // in kB
    return 0;
}

// Bytes held through C++ allocation, the program's and Qt's, counted by the
// replacement operators below (not in the sanitizer build, which has its
// own). The driver, written in C, is not in it.
std::atomic<int64_t> liveNewBytes = 0;

uint64_t fromEnvironment(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// The files a session opens: the sample car, a small car with a settings
// file, a damaged model, a missing one, and pictures good and broken.
struct SessionFiles {
    SessionFiles() {
        fixtures::ModelDescription small;
        for (const char* name : {"geo_r_0_FRNShape", "geo_r_1_WFLShape", "geo_r_2_BRKShape"})
            small.parts.push_back({name, fixtures::quadBlock()});
        fixtures::writeFile(folder.model(), small.build());
        fixtures::writeText(folder.modelFolder() / "geomdata.ini",
                            "[GEOMDATA]\nnumpart=3\n\n[ALPHA_OPAQUE_FRNShape]\nlodon=100\nlodoff=40\n\n"
                            "[ALPHA_TRANS_RUBBER_WFLShape~EASVehicleRubber]\nlodon=60\nlodoff=0\n\n[BRKShape]\n");
        fixtures::ModelDescription damaged = small;
        damaged.parts[1].block.vertexCount = -3;
        fixtures::writeFile(folder.modelFolder() / "damaged.o", damaged.build());
        models = {SampleCar, folder.model(), folder.modelFolder() / "damaged.o", folder.modelFolder() / "gone.o"};

        const images::Picture pattern = images::testPattern(16, 16);
        images::writeFile(folder.cars() / "paint.tga", images::writeTga(pattern));
        images::writeFile(folder.cars() / "decal.jpg", images::writeJpeg(pattern));
        images::writeFile(folder.cars() / "rim.bmp", images::writeBmp(pattern, {}));
        images::writeFile(folder.cars() / "broken.jpg", std::vector<uint8_t>(40, 0x42));
        pictures = {folder.cars() / "paint.tga", folder.cars() / "decal.jpg", folder.cars() / "rim.bmp",
                    folder.cars() / "broken.jpg"};
    }
    fixtures::CarFolder folder;
    std::vector<std::filesystem::path> models, pictures;
};

class LongSession : public fixtures::MainWindowFixture {
protected:
    ProgramState& state() { return window->state(); }
    PartTreeModel& tree() { return *window->treeModel; }
    PartOptionsPanel& panel() { return *window->optionsPanel; }
    TextureManagerWindow& textures() { return *window->textureManager(); }

    int random(int below) { return std::uniform_int_distribution<int>(0, below - 1)(rng); }
    bool chance(int percent) { return random(100) < percent; }
    template <typename T>
    const T& pick(const std::vector<T>& from) {
        return from[static_cast<std::size_t>(random(static_cast<int>(from.size())))];
    }

    // The part nodes under the file node, and a random one (invalid when there are none).
    int partRows() { return tree().rowCount(tree().rootIndex()); }
    QModelIndex randomPartRow() {
        const int rows = partRows();
        return rows == 0 ? QModelIndex() : tree().index(random(rows), 0, tree().rootIndex());
    }
    QString randomName() {
        static const QString letters = QStringLiteral("abcXYZ 019_-~[]().äöß€漢\t");
        const int length = chance(10) ? random(1200) : random(40);
        QString name;
        for (int i = 0; i < length; ++i) name += letters[random(static_cast<int>(letters.size()))];
        return name;
    }
    std::optional<uint32_t> randomColour() {
        if (chance(20)) return std::nullopt;  // the chooser is cancelled
        return static_cast<uint32_t>(random(1 << 24));
    }

    QPoint randomPointIn(const QWidget* target) {
        return {random(std::max(1, target->width())), random(std::max(1, target->height()))};
    }
    void dragOver(QWidget* target) {
        static const std::vector<Qt::MouseButton> buttons{Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
        const Qt::MouseButton button = pick(buttons);
        fixtures::sendMouse(target, QEvent::MouseButtonPress, button, randomPointIn(target));
        for (int i = random(4); i >= 0; --i)
            fixtures::sendMouse(target, QEvent::MouseMove, button, randomPointIn(target));
        fixtures::sendMouse(target, QEvent::MouseButtonRelease, button, randomPointIn(target));
    }
    // A drag of one of the bars between the panes, by a multiple of 40
    // pixels. The OpenGL driver keeps working memory for each size the view
    // has had, for a while; on a grid of sizes, that stays within bounds
    // early in the session and the memory check sees only the program's own.
    void dragBar(QWidget* bar) {
        const QPoint from(bar->width() / 2, bar->height() / 2);
        const QPoint by =
            bar->width() < bar->height() ? QPoint(40 * (random(5) - 2), 0) : QPoint(0, 40 * (random(5) - 2));
        fixtures::sendMouse(bar, QEvent::MouseButtonPress, Qt::LeftButton, from);
        fixtures::sendMouse(bar, QEvent::MouseMove, Qt::LeftButton, from + by);
        fixtures::sendMouse(bar, QEvent::MouseButtonRelease, Qt::LeftButton, from + by);
    }

    // What the user does in the Textures window while a command waits for it.
    void answerTextures() {
        QListWidget& list = *textures().textureList;
        if (list.count() > 0 && chance(70)) list.setCurrentRow(random(list.count()));
        if (list.count() > 0) emit list.itemClicked(list.currentItem());
        if (chance(75))
            textures().applyButton->click();
        else
            textures().closeButton->click();
    }

    struct Memory {
        uint64_t heap = 0;  // held through C++ allocation
        uint64_t anonymous = 0;
        std::size_t modelArrays = 0;  // the big arrays of models, held outside the heap
    };
    // The memory held in one state at every measurement: no model open (the
    // small car is opened first, so that what a failed load left goes too)
    // and the Textures window shut. Only what the session leaked or
    // scattered can then differ. The session goes on from there.
    Memory memoryWithNoModel() {
        textures().hide();
        window->openModel(files.folder.model());
        window->closeModelCommand();
        window->view3d()->repaint();
        QCoreApplication::processEvents();
        return {static_cast<uint64_t>(liveNewBytes.load()), anonymousBytes(), bulkMemoryUse().liveArrays};
    }

    // Every command a session draws from, by name.
    std::vector<std::pair<const char*, std::function<void()>>> commands();

    // The window's promises, which hold after every command.
    void expectConsistent(const std::string& after) {
        const ProgramState& s = state();
        const auto& parts = s.partList.Parts;
        const int rows = partRows();
        for (int row = 0; row < rows; ++row) {
            const QModelIndex index = tree().index(row, 0, tree().rootIndex());
            const PartNodeData* node = tree().node(index);
            ASSERT_NE(node, nullptr) << after;
            ASSERT_TRUE(node->PartIndex >= 0 && static_cast<std::size_t>(node->PartIndex) < parts.size()) << after;
            const bool visible = s.partList.PartVisible.at(static_cast<std::size_t>(node->PartIndex)) != 0;
            ASSERT_EQ(tree().data(index, Qt::CheckStateRole).toInt(), visible ? Qt::Checked : Qt::Unchecked)
                << after << ", row " << row;
        }
        for (const GeometryPart& part : parts)
            ASSERT_TRUE(part.TextureIndex >= 0 &&
                        static_cast<std::size_t>(part.TextureIndex) <= s.textureLibrary.size())
                << after << ": texture " << part.TextureIndex << " of " << s.textureLibrary.size();
        ASSERT_TRUE(s.SelectedPart == -1 ||
                    (s.ModelLoaded && s.SelectedPart >= 0 && static_cast<std::size_t>(s.SelectedPart) < parts.size()))
            << after << ": selected part " << s.SelectedPart << " of " << parts.size() << "\n"
            << window->logView->toPlainText().toStdString();
        const bool selected = s.SelectedPart != -1;
        for (QWidget* control : std::initializer_list<QWidget*>{panel().colourButton, panel().transparentBox,
                                                                panel().reflectionBox, panel().textureBox})
            ASSERT_EQ(control->isEnabled(), selected) << after << ": " << control->objectName().toStdString();
        ASSERT_EQ(window->closeAction->isEnabled(), s.ModelLoaded) << after;
        ASSERT_EQ(window->closeMenuAction->isEnabled(), s.ModelLoaded) << after;
    }

    SessionFiles files;
    std::mt19937 rng;
};

std::vector<std::pair<const char*, std::function<void()>>> LongSession::commands() {
    MainWindow& w = *window;
    auto openWith = [this](QAction* action) {
        return [this, action] {
            if (chance(90)) prompts.fileAnswers.push_back(pick(files.models));
            action->trigger();
        };
    };
    auto withColour = [this](QAction* action) {
        return [this, action] {
            colours.answers.push_back(randomColour());
            action->trigger();
        };
    };
    auto textureAll = [this](QAction* action) {
        return [this, action] {
            fixtures::whileModal(
                textures(), [action] { action->trigger(); }, [this] { answerTextures(); });
        };
    };
    auto trigger = [](QAction* action) { return [action] { action->trigger(); }; };
    return {
        {"open", openWith(w.openAction)},
        {"open from the menu", openWith(w.openMenuAction)},
        {"close", trigger(w.closeAction)},
        {"close from the menu", trigger(w.closeMenuAction)},
        {"check box",
         [this] {
             const QModelIndex row = randomPartRow();
             if (!row.isValid()) return;
             const bool checked = tree().data(row, Qt::CheckStateRole).toInt() == Qt::Checked;
             tree().setData(row, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
         }},
        {"hide all", trigger(w.hideAllAction)},
        {"show all", trigger(w.showAllAction)},
        {"hide all from the menu", trigger(w.hideAllMenuAction)},
        {"show all from the menu", trigger(w.showAllMenuAction)},
        {"rename",
         [this] {
             const QModelIndex row = chance(90) ? randomPartRow() : tree().rootIndex();
             if (row.isValid()) tree().setData(row, randomName(), Qt::EditRole);
         }},
        {"select in the tree",
         [this] {
             const QModelIndex row = chance(85) ? randomPartRow() : tree().rootIndex();
             window->partTree->selectionModel()->setCurrentIndex(
                 row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
         }},
        {"clear the selection", [this] { window->partTree->selectionModel()->clearSelection(); }},
        {"click a part in the view", [this] { window->selectPart(random(partRows() + 2) - 1); }},
        {"no colours", trigger(w.uncolourAllAction)},
        {"random colours", trigger(w.randomColoursAction)},
        {"all transparent", trigger(w.allTransparentAction)},
        {"all opaque", trigger(w.allOpaqueAction)},
        {"all reflecting", trigger(w.allReflectingAction)},
        {"all matt", trigger(w.allMattAction)},
        {"restore file settings", trigger(w.restoreSettingsAction)},
        {"restore file settings from the menu", trigger(w.restoreSettingsMenuAction)},
        {"part colour",
         [this] {
             colours.answers.push_back(randomColour());
             panel().colourButton->click();
         }},
        {"transparent box", [this] { panel().transparentBox->click(); }},
        {"reflection box", [this] { panel().reflectionBox->click(); }},
        {"background colour", withColour(w.backgroundColourAction)},
        {"backlight colour", withColour(w.backlightColourAction)},
        {"texture of the part",
         [this] {
             QComboBox& box = *panel().textureBox;
             if (!box.isEnabled() || box.count() == 0) return;
             const int item = random(box.count());
             box.setCurrentIndex(item);
             emit box.activated(item);
         }},
        {"add a texture",
         [this] {
             textures().showModeless();
             // A library that keeps growing would grow the memory too.
             if (state().textureLibrary.size() >= 6) return;
             if (chance(90)) prompts.fileAnswers.push_back(pick(files.pictures));
             textures().addButton->click();
         }},
        {"rename a texture",
         [this] {
             textures().showModeless();
             QListWidget& list = *textures().textureList;
             if (list.count() > 0) fixtures::editItemText(list, random(list.count()), randomName());
         }},
        {"remove a texture",
         [this] {
             textures().showModeless();
             QListWidget& list = *textures().textureList;
             if (list.count() > 0 && chance(90))
                 list.setCurrentRow(random(list.count()));
             else
                 list.clearSelection();
             textures().removeButton->click();
         }},
        {"close the Textures window", [this] { textures().hide(); }},
        {"manage textures", textureAll(w.texturesAction)},
        {"texture all non-wheel parts", textureAll(w.textureNonWheelAction)},
        {"texture all wheel parts", textureAll(w.textureWheelAction)},
        {"untexture all", trigger(w.untextureAllAction)},
        {"wireframe", trigger(w.wireframeAction)},
        {"turning", trigger(w.rotatingAction)},
        {"level-of-detail slider", [this] { panel().detailSlider->setValue(random(101)); }},
        {"use level of detail", [this] { panel().useDetailBox->click(); }},
        {"drag in the view", [this] { dragOver(window->view); }},
        {"wheel in the view",
         [this] {
             const QPointF at = randomPointIn(window->view);
             QWheelEvent event(at, window->view->mapToGlobal(at), {}, {0, (random(9) - 4) * 120}, Qt::NoButton,
                               Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(window->view, &event);
         }},
        {"drag the bar under the tree", [this] { dragBar(window->paneSplitter); }},
        {"drag the bar beside the pane", [this] { dragBar(window->widthSplitter); }},
        {"fit", trigger(w.fitAction)},
        {"front view", trigger(w.frontViewAction)},
        {"side view", trigger(w.sideViewAction)},
        {"top view", trigger(w.topViewAction)},
        {"three-quarter view", trigger(w.threeQuarterViewAction)},
        {"reset view", trigger(w.resetViewAction)},
    };
}

TEST_F(LongSession, TenThousandRandomCommandsKeepTheWindowConsistent) {
    // The sanitizer build runs a shorter session of its own.
    const uint64_t seed = fromEnvironment("KORVEX_SESSION_SEED", fixtures::UnderAddressSanitizer ? 20261210 : 20261209);
    const uint64_t count = fromEnvironment("KORVEX_SESSION_COMMANDS", fixtures::UnderAddressSanitizer ? 2000 : 10000);
    std::printf("long session: seed %llu, %llu commands\n", static_cast<unsigned long long>(seed),
                static_cast<unsigned long long>(count));
    std::fflush(stdout);
    rng.seed(static_cast<std::mt19937::result_type>(seed));
    ASSERT_NE(window->view3d(), nullptr) << "no OpenGL on this display";
    ViewWidget& view = *window->view3d();
    // The smallest window draws its frames fastest.
    window->resize(window->minimumSize());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->size() == window->minimumSize(); }));
    uint32_t tick = 1000;
    view.setTickSource([&tick] { return tick += 16; });

    const auto all = commands();
    std::map<std::string, int> done;
    Memory afterThousand;
    const uint64_t framesBefore = view.framesDrawn();
    for (uint64_t i = 1; i <= count; ++i) {
        const auto& [name, command] = pick(all);
        command();
        ++done[name];
        // What a dialog was not asked for stays unanswered, and what was
        // shown is forgotten, so the script's own memory stays flat.
        prompts.fileAnswers.clear();
        prompts.shown.clear();
        colours.answers.clear();
        view.repaint();
        QCoreApplication::processEvents();
        ASSERT_NO_FATAL_FAILURE(expectConsistent("command " + std::to_string(i) + " (" + name + ")"));
        if (i == std::min<uint64_t>(1000, count)) afterThousand = memoryWithNoModel();
    }
    const Memory atEnd = memoryWithNoModel();
    const uint64_t frames = view.framesDrawn() - framesBefore;
    std::printf(
        "long session: %llu frames drawn; memory after 1000 commands and at the end: anonymous pages %.1f "
        "and %.1f MiB",
        static_cast<unsigned long long>(frames), afterThousand.anonymous / 1048576.0, atEnd.anonymous / 1048576.0);
    if (!fixtures::UnderAddressSanitizer)
        std::printf(", C++ heap %.2f and %.2f MiB", afterThousand.heap / 1048576.0, atEnd.heap / 1048576.0);
    std::printf("\n");
    for (const auto& [name, times] : done) std::printf("  %5d  %s\n", times, name.c_str());
    // KORVEX_SESSION_PICTURE=FILE keeps the window as the session left it, to look at.
    if (const char* picture = std::getenv("KORVEX_SESSION_PICTURE")) window->grab().save(picture);
    EXPECT_GE(frames, count) << "a frame after every command";
    EXPECT_EQ(done.size(), all.size()) << "every kind of command ran";
    EXPECT_EQ(afterThousand.modelArrays, 0u) << "with no model open";
    EXPECT_EQ(atEnd.modelArrays, 0u) << "with no model open";
    // The sanitizer holds freed memory back for a while on purpose.
    if (!fixtures::UnderAddressSanitizer) {
        EXPECT_LE(atEnd.heap, afterThousand.heap + afterThousand.heap / 10);
    }
}

}  // namespace

#if !KORVEX_UNDER_ADDRESS_SANITIZER
namespace {

void* counted(void* memory) {
    if (memory == nullptr) throw std::bad_alloc();
    liveNewBytes += static_cast<int64_t>(::malloc_usable_size(memory));
    return memory;
}
void* countedAligned(std::size_t size, std::align_val_t alignment) {
    void* memory = nullptr;
    const std::size_t align = std::max(static_cast<std::size_t>(alignment), sizeof(void*));
    return counted(::posix_memalign(&memory, align, std::max<std::size_t>(size, 1)) == 0 ? memory : nullptr);
}
void uncounted(void* memory) noexcept {
    if (memory == nullptr) return;
    liveNewBytes -= static_cast<int64_t>(::malloc_usable_size(memory));
    std::free(memory);
}

}  // namespace

void* operator new(std::size_t size) {
    return counted(std::malloc(std::max<std::size_t>(size, 1)));
}
void* operator new[](std::size_t size) {
    return counted(std::malloc(std::max<std::size_t>(size, 1)));
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return countedAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return countedAligned(size, alignment);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new[](size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* memory) noexcept {
    uncounted(memory);
}
void operator delete[](void* memory) noexcept {
    uncounted(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    uncounted(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    uncounted(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    uncounted(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    uncounted(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
    uncounted(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
    uncounted(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    uncounted(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    uncounted(memory);
}
#endif

int main(int argc, char** argv) {
    return fixtures::runGuiTests<KorvexApplication>(argc, argv);
}
