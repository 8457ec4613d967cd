// Observation points inside one rendered frame, for the benchmark: it waits for the
// renderer at each point to learn what each stage of the frame costs. Null in the saver,
// where each point costs one test of a pointer.
#pragma once

enum class FrameStage {
    started,        // the frame step is known; nothing issued yet
    sceneBegun,     // redirected, cleared, BeginScene done
    updated,        // the scene has moved to this frame's time
    shadowed,       // the shadow pass has ended (or was skipped)
    coloured,       // the colour pass and EndScene are done
    postProcessed,  // the post-processing chain has run (or had nothing to do)
    presented,      // Present has returned
};

using FrameStageObserver = void (*)(FrameStage stage);
extern FrameStageObserver frameStageObserver;
