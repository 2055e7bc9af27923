// Picture load failures are collected and shown in one message box after the
// current event has been handled: never from painting, never one box per control,
// and each path at most once per run.
#pragma once
#include <QString>

namespace ctl {

void ReportPictureError(const QString& path, const QString& text);
// Shows what is pending now (normally done from the event loop).
void FlushPictureErrors();
// Tests: forget which paths were reported and drop anything pending.
void ResetPictureErrors();

} // namespace ctl
