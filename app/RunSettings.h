// How one run of the application goes, for the programs built on it (engine.exe, the capture tool, tests): one
// record instead of a row of setters on the application. The defaults are the presentation as designed; every
// field is read when it matters, so a hook may also be changed while the run goes on.
#pragma once

#include <functional>
#include <string>

struct RunSettings
{
    // Seconds of un-paused time after which the presentation ends by itself.
    static constexpr float kPresentationSeconds = 58.0f;
    // The exit deadline engine.exe and engine-capture.exe use: generous, as the device's release waits for the
    // frames still queued, which take seconds each on a loaded machine without a GPU.
    static constexpr unsigned kProgramExitDeadlineMs = 60'000;

    // Un-paused seconds after which the loop ends.
    float presentationSeconds = kPresentationSeconds;
    // A picture (client-area) size that replaces the options file's window size when both are positive; the
    // window is made just large enough around it.
    int screenWidth = 0;
    int screenHeight = 0;
    // With a picture size above: the picture keeps that size whatever size the window gets, so that it may be
    // larger than the screen (the swap chain's buffers need not match the window; Present scales them).
    bool fixedPictureSize = false;
    // When false, deactivation no longer stops the timer, so frames do not depend on window focus.
    bool timerFollowsActivation = true;
    // When false, start-up does not start the music (a capture runs on its own clock, not in real time).
    bool music = true;
    // engine.exe --music-log: one line on standard error for every music command (the clock's moment, the
    // command, its duration, its result).
    bool musicLog = false;
    // For a program that ends when the presentation does: once the loop is over, shutting down and leaving the
    // process get this long before the process is ended with the error exit code (ExitWatchdog). 0 waits for
    // ever, as a test that goes on after the run must.
    unsigned exitDeadlineMs = 0;
    // A choreography file to play instead of the compiled-in choreography (--choreography); empty plays the
    // compiled-in one. Read at the start of start-up: a file that cannot be used fails it with one line naming the
    // file, the line and the problem.
    std::string choreographyFile;
    // Called in every rendered frame right before Present, with the finished picture in the back buffer.
    std::function<void()> beforePresent;
    // Called after every frame, drawn or not (see drawsFrame).
    std::function<void()> frameObserver;
    // Called once when the frame loop is over, with the device and the scene still there.
    std::function<void()> afterLoop;
    // Asked once per frame, after its update, whether to draw it; without it every frame is drawn. A frame that
    // is not drawn moves the timeline on as its drawing would have (TimelineReplay::StandInForDrawing), so the
    // next frame drawn is byte for byte the one a run that draws every frame shows there.
    std::function<bool()> drawsFrame;
};
