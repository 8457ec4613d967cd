// Shared set-up of the device tests: a fresh working folder (the log lands there), a
// scripted Direct3D installed behind Direct3DCreate9, message boxes sent to stderr, and
// saverState put back afterwards, with a check that no recording object was leaked.
#pragma once

#include <gtest/gtest.h>

#include <ZarnRecordingDevice.h>

#include "device/DeviceCreation.h"
#include "device/DeviceSettings.h"
#include "shell/Diagnostics.h"
#include "shell/SaverState.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <string>

class DeviceFixture : public testing::Test {
protected:
    void SetUp() override {
        closeLog();
        setenv("ZARN_NO_MESSAGE_BOX", "1", 1);
        baseline = ZarnRecordingLiveObjects();
        saved = saverState.settings;
    }

    void TearDown() override {
        releaseDevice();
        closeLog();
        saverState.settings = saved;
        saverState.presentParams = {};
        EXPECT_EQ(baseline, ZarnRecordingLiveObjects()) << "a recording object outlived the test";
    }

    std::string logText() {
        closeLog();
        return temp.read("screensaver_log.txt");
    }

    // A request like the one device creation makes for an 800 x 600 windowed device.
    static DeviceSettings windowedRequest() {
        DeviceSettings r;
        r.adapterOrdinal = 0;
        r.deviceType = D3DDEVTYPE_HAL;
        r.adapterFormat = D3DFMT_X8R8G8B8;
        r.behaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        D3DPRESENT_PARAMETERS& p = r.presentParams;
        p.BackBufferWidth = 800;
        p.BackBufferHeight = 600;
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.BackBufferCount = 1;
        p.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
        p.MultiSampleQuality = 4;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = TRUE;
        p.EnableAutoDepthStencil = TRUE;
        p.AutoDepthStencilFormat = D3DFMT_D16;
        p.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
        return r;
    }

    TempDir temp;
    int baseline = 0;
    SaverSettings saved;
};
