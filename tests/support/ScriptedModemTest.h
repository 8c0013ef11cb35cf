#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ManualClock.h"
#include "ScriptedLine.h"
#include "modem/ModemEngine.h"

namespace veltro::test {

// An engine whose port is a scripted line, opened as Initialize leaves it before its
// set-up dialogue, in virtual time.
class ScriptedModemTest : public ::testing::Test {
protected:
    void SetUp() override {
        shared = std::make_shared<ScriptedLine::Shared>();
        engine = std::make_unique<ModemEngine>(clock, ScriptedLine::Factory(clock, shared));
        engine->Reset();
        ASSERT_TRUE(engine->OpenPort("pts/1"));
    }

    ScriptedLine& Line() { return *static_cast<ScriptedLine*>(engine->Port()); }

    ManualClock clock;
    std::shared_ptr<ScriptedLine::Shared> shared;
    std::unique_ptr<ModemEngine> engine;
};

}  // namespace veltro::test
