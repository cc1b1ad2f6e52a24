// The inspector's texture, render and export commands, built as a module of their
// own with the picture and OpenGL libraries they need. The inspector loads it
// only when one of them is asked for, so that the model command starts
// without loading those libraries, which took three quarters of the time a
// small model's inspection took.

#include "inspect.h"

extern "C" __attribute__((visibility("default"))) int korvexInspectPictures(const std::vector<std::string>& args,
                                                                             std::ostream& out, std::ostream& err) {
    korvex::ProgramState state;
    return korvex::runInspect(args, state, out, err);
}
