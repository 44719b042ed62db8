#pragma once

#include <QString>

namespace results::report_detail {

// The page's style sheet: screen and A4 print. It holds no '<', '>', '&' nor '"', which the XML writer
// would escape inside <style>, where HTML does not unescape them.
QString reportStyle();

}  // namespace results::report_detail
