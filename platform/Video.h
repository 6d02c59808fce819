// The display as the program starts and ends with it.
#pragma once

namespace korvanta {

// Opens the display the windows go to. Without one, says why in one line on stderr and returns
// false: a program whose windows no key can reach must not start.
bool startVideo();
// Lets the display go again; the sound card must be closed first.
void stopVideo();

}  // namespace korvanta
