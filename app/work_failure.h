#pragma once
// Work done away from the window (writing a picture, a layout, a film):
// what went wrong, in words for the box that says so.

#include "export/export_scene.h"

#include <exception>
#include <new>
#include <string>

namespace korvex {

// Runs `work`; empty when it finished, otherwise why not: "there is not
// enough memory", an export error's reason (without the file's name, which
// the box names), or what escaped.
template <typename Work>
std::string failureOf(Work&& work) {
    try {
        work();
        return {};
    } catch (const std::bad_alloc&) {
        return "there is not enough memory";
    } catch (const ExportError& error) {
        return error.reason();
    } catch (const std::exception& error) {
        return error.what();
    }
}

}  // namespace korvex
