#pragma once
// The state dump: one line per control that has an identifier, in template order, then one
// line per member of the dialog.
//
//   ctl 1003 edit en=1 txt="240"
//   ctl 1000 check en=1 chk=1
//   ctl 1050 scroll en=0 sb=0,c0,c0
//   ctl 1066 progress en=1 pb=1,f2,0,1
//   mem m_camAddr 70
//   mem m_p2wRegs ff 0 ... (28 values)
//   mem m_scriptPath "/tmp/a.qef"
//
// Numbers are lower-case hex without prefix (a negative one gets a leading '-'); texts are
// quoted with '"' and '\' escaped.
#include <ostream>

#include "frame/dialog.h"

namespace vorlix::frame {

void writeStateDump(const CDialog& dialog, std::ostream& out);

}  // namespace vorlix::frame
