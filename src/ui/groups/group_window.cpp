#include "ui/groups/group_window.h"

namespace zepra {

// Placeholder until the group window is built: an empty window with its caption.
GroupWindow::GroupWindow(GroupWindowId id, const WindowContext& context, QWidget* parent)
    : QMainWindow(parent), id_(id), context_(context) {
    setAttribute(Qt::WA_DeleteOnClose);
    static const char* const kNames[] = {"", "FrmGrpOne", "FrmGrpTwo", "FrmGrpThree", "FrmGrpFour",
                                         "FrmRealTimeGrp"};
    static const char* const kCaptions[] = {"", "Group1", "Group2", "Group3", "Group4",
                                            "RealTimeGroup"};
    setObjectName(QString::fromLatin1(kNames[static_cast<int>(id)]));
    setWindowTitle(QString::fromLatin1(kCaptions[static_cast<int>(id)]));
}

GroupWindow::~GroupWindow() = default;

}  // namespace zepra
