#include "window_common.h"

#include "model/text_conversion.h"

#include <QFile>
#include <QStringList>

#include <exception>
#include <new>

namespace korvex {

QString toQString(std::string_view text) {
    return QString::fromStdU16String(utf8ToWide(text));
}

QString toQPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

std::filesystem::path fromQPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QFont designedFont() {
    return QFont(QStringList{"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arimo", "Arial",
                             "Nimbus Sans", "Sans Serif"},
                 8);
}

void showEscapedFailure(Prompts& prompts, std::string_view text) {
    prompts.message(ApplicationTitle, text, BoxIcon::Error);
}

void runShowingFailure(Prompts& prompts, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        showEscapedFailure(prompts, "Out of memory.");
    } catch (const std::exception& failure) {
        showEscapedFailure(prompts, failure.what());
    }
}

}  // namespace korvex
