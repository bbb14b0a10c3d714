// Message boxes drawn on the canvas: a caption strip, the text wrapped to
// the box and a row of buttons (OK, or Yes and No). Modal: nothing else
// takes the pen until a button is pressed (down and up on it). Enter gives
// the first button, Escape the last.
#pragma once
#include <string>

namespace vp {

enum class Buttons { Ok, YesNo };
// The answers, numbered as the handheld numbers them.
enum Answer { kAnswerOk = 1, kAnswerYes = 6, kAnswerNo = 7 };

int messageBox(const std::u16string &text, const std::u16string &caption, Buttons buttons);

// Makes the engine's error messages appear in a message box captioned as
// the engine captions them ("BRINDLE ERROR"), while a platform exists; they
// go to standard error otherwise.
void installEngineErrorBox();

}  // namespace vp
