// One server per test suite, started before its first test.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server_process.h"

class ServerSuite : public ::testing::Test {
protected:
    static void StartServer(std::vector<std::string> args)
    {
        server_ = std::make_unique<ServerProcess>(std::move(args));
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override { ASSERT_TRUE(server_ && server_->listening()) << (server_ ? server_->Stderr() : ""); }

    static const Ports& ports() { return server_->ports(); }

    static inline std::unique_ptr<ServerProcess> server_;
};
