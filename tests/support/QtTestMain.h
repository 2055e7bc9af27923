// What the shared Qt test main offers the tests.
#pragma once
#include <QString>

class RecordingMessageBoxes;

// The boxes recorded since the program started (every box is answered, none waits).
RecordingMessageBoxes& TestBoxes();
// build/<preset>/test-output/gallery: pictures of windows and controls for a person to look at.
QString TestOutputFolder();
