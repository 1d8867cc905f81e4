#include "ui/window_options.h"

#include <QWidget>
#include <exception>

#include "store/program_path.h"

namespace nolvetta::ui {

bool IsStandalone(QWidget& /*window*/) {
    try {
        return store::isStandaloneExecutable(store::executablePath().u16string());
    } catch (const std::exception&) {
        // A path that does not convert cannot be a development host's.
        return true;
    }
}

}  // namespace nolvetta::ui
