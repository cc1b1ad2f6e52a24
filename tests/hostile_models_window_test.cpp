// The viewer started on a hostile model file, as its command line opens it:
// each shows the boxes and log lines the program gives for that damage, the
// view draws what there is, and the window then opens and shows the sample
// car as usual.

#include "app/korvex_application.h"
#include "app/main_window.h"
#include "render/view_widget.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/hostile_files.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/test_model.h"
#include "tests/support/window_checks.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <functional>

using namespace korvex;
using namespace korvex::fixtures::hostile;

namespace {

const std::filesystem::path SampleCar = KORVEX_SAMPLE_CAR;

// Root reads any file whatever its permissions say. While one of these
// lives, this process gives that power up, so that an unreadable file is
// unreadable here too.
class WithoutReadingAnyFile {
public:
    WithoutReadingAnyFile() {
        if (::geteuid() != 0 || ::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~WithoutReadingAnyFile() {
        if (lowered_) ::syscall(SYS_capset, &header_, saved_);
    }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
    bool lowered_ = false;
};

struct Box {
    std::string caption, text;  // "PATH" in the text stands for the model's path
};

struct HostileModel {
    std::string name;  // of the test
    // Writes the model (and what goes with it) as folder.model().
    std::function<void(const fixtures::CarFolder&)> make;
    std::vector<Box> boxes;          // the message boxes shown, in order
    std::vector<std::string> lines;  // log lines that must be there, in order
};

void writeModel(const fixtures::CarFolder& folder, const fixtures::Bytes& bytes) {
    fixtures::writeFile(folder.model(), bytes);
}

const Box FindingBox{"Finding Geomdata.ini",
                     "Cannot find geomdata.ini.\r\rWhile this file is not essential, it provides some enhanced "
                     "features.\rThe program will now request that you find the file. If you do not want to use it, "
                     "press cancel."};
const Box ReadErrorBox{"Korvex Model Viewer", "Stream read error"};

std::vector<HostileModel> hostileModels() {
    using Folder = const fixtures::CarFolder&;
    return {
        {"EmptyFile", [](Folder f) { writeModel(f, {}); }, {ReadErrorBox}, {"File has a size of: 0"}},
        {"FiftyOneBytes",
         [](Folder f) { writeModel(f, fixtures::Bytes(51, 0x7F)); },
         {ReadErrorBox},
         {"File has a size of: 51"}},
        {"Directory",
         [](Folder f) { std::filesystem::create_directory(f.model()); },
         {{"Korvex Model Viewer", "Cannot open file \"PATH\". Is a directory"}},
         {"Opening PATH"}},
        {"UnreadableFile",
         [](Folder f) {
             writeModel(f, oneQuad().build());
             std::filesystem::permissions(f.model(), std::filesystem::perms::none);
         },
         {{"Korvex Model Viewer", "Cannot open file \"PATH\". Permission denied"}},
         {"Opening PATH"}},
        {"SectionTablePastTheEnd",
         [](Folder f) { writeModel(f, sectionTablePastTheEnd()); },
         {FindingBox},
         {"LOADING Section Headers...", "ERROR! while loading Section Headers.", "Message: \"Stream read error\""}},
        {"FourGigabyteSection",
         [](Folder f) { writeModel(f, fourGigabyteSection()); },
         {FindingBox},
         {"ERROR! while loading string table number 0", "Message: \"Stream read error\""}},
        {"StringTableWithoutFinalNul",
         [](Folder f) { writeModel(f, unterminatedStrings()); },
         {FindingBox},
         {"Loaded 0 parts successfully."}},
        {"NamesPastEveryTable",
         [](Folder f) { writeModel(f, namesPastEveryTable()); },
         {FindingBox},
         {"Loaded 1 parts successfully."}},
        {"GeometryHeaderAtTheEnd",
         [](Folder f) { writeModel(f, headerAtTheEnd()); },
         {{"Error", "Error while loading geometry offsets and lengths. \rMessage: Stream read error"}, FindingBox},
         {"ERROR! while loading model geometry.", "Got up to geometry section 1",
          "Message: \"Error Loading Geometry Part.\""}},
        {"IndicesBeyondTheVertices",
         [](Folder f) { writeModel(f, indicesBeyondTheVertices()); },
         {FindingBox},
         {"Loaded 1 parts successfully.", "WARNING! Part 0 has vertex indices out of range; it will not be drawn."}},
        {"SettingsOfAMillionLines",
         [](Folder f) {
             writeModel(f, oneQuad().build());
             fixtures::writeText(f.modelFolder() / "geomdata.ini", millionLineSettings());
         },
         {},
         {"Loaded 1 parts successfully.", "LOADING Geomdata.ini...", "numpart=1"}},
        {"SettingsLineOfTenMegabytes",
         [](Folder f) {
             writeModel(f, oneQuad().build());
             fixtures::writeText(f.modelFolder() / "geomdata.ini", tenMegabyteLine());
         },
         {},
         {"Loaded 1 parts successfully.", "LOADING Geomdata.ini...", "numpart=1"}},
    };
}

class HostileModelInWindow : public fixtures::MainWindowFixture, public ::testing::WithParamInterface<int> {
protected:
    const HostileModel& hostile() {
        static const std::vector<HostileModel> models = hostileModels();
        return models.at(static_cast<std::size_t>(GetParam()));
    }
};

TEST_P(HostileModelInWindow, ShowsItsMessagesAndTheWindowStaysUsable) {
    const fixtures::CarFolder folder;
    hostile().make(folder);
    const std::string path = folder.model().string();
    {
        const WithoutReadingAnyFile asAUser;
        window->openModel(folder.model());  // what the command line does
    }
    std::filesystem::permissions(folder.model(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add);

    std::vector<ShownBox> boxes;
    for (const ShownBox& shown : prompts.shown)
        if (shown.kind == ShownBox::Kind::Message) boxes.push_back(shown);
    ASSERT_EQ(boxes.size(), hostile().boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].caption, hostile().boxes[i].caption);
        EXPECT_EQ(boxes[i].text, withPath(hostile().boxes[i].text, path));
    }
    const std::vector<std::string> lines = log();
    auto at = lines.begin();
    for (const std::string& expected : hostile().lines) {
        at = std::find(at, lines.end(), withPath(expected, path));
        ASSERT_NE(at, lines.end()) << expected << "\nin:\n" << window->logView->toPlainText().toStdString();
    }
    // The view draws whatever the file left.
    window->view3d()->grabFramebuffer();

    // Then the window goes on as usual.
    prompts.fileAnswers.push_back(SampleCar);
    window->openAction->trigger();
    ASSERT_TRUE(window->state().ModelLoaded);
    EXPECT_EQ(window->treeModel->rowCount(window->treeModel->rootIndex()), 23);
    window->selectPart(4);
    EXPECT_EQ(window->state().SelectedPart, 4);
    EXPECT_TRUE(window->optionsPanel->colourButton->isEnabled());
    EXPECT_TRUE(window->closeAction->isEnabled());
    EXPECT_GT(fixtures::litShare(window->view3d()->grabFramebuffer().convertToFormat(QImage::Format_RGB888)), 0.05)
        << "the sample car is drawn";
}

INSTANTIATE_TEST_SUITE_P(HostileModels, HostileModelInWindow,
                         ::testing::Range(0, static_cast<int>(hostileModels().size())),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return hostileModels().at(static_cast<std::size_t>(info.param)).name;
                         });

}  // namespace

int main(int argc, char** argv) {
    return fixtures::runGuiTests<KorvexApplication>(argc, argv);
}
