#pragma once

#include <QString>

namespace mirello {

// The looping animation of the search picture: frames 1, 2, 3, 1, ... one per tick.
// The counter holds the frame last asked for until that frame has been shown, and
// 0 once the last frame has been shown. A frame that fails to load leaves the
// counter where it is, so the next tick asks for the frame after it. The counter
// never leaves 0 to 3, however long the program runs.
class SearchAnimation
{
public:
    static constexpr int FrameCount = 3;

    // Moves on to the next frame and returns its number.
    int advance();
    // The frame asked for last has been shown.
    void frameShown();

    // The bitmap of a frame in the icon folder: "search1.bmp" for frame 1.
    static QString frameFile(int frame);

private:
    int m_counter = 0;
};

} // namespace mirello
