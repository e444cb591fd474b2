#pragma once

#include "tests/support/ProductBackend.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qel::test {

// A test that runs once on every backend (QEL_ON_EVERY_BACKEND). Before the
// fixture's own set-up it skips, with a line saying why, when the backend is
// not configured, and fails with the database's words when the backend
// cannot give the test its databases; afterwards it drops them.
class BackendTest : public ::testing::Test, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() final;
    void TearDown() final;

    // The fixture's own set-up, on databases that exist and are empty.
    virtual void SetUpProduct() {}

    // The backend of this run: the test's parameter (OnSQLite fixes it).
    virtual Backend backend() const { return GetParam(); }

    ProductBackend& databases() { return *backend_; }
    ProductDatabases& product() { return backend_->product(); }

private:
    std::unique_ptr<ProductBackend> backend_;
};

// A fixture of BackendTest for the cases whose meaning holds on SQLite only,
// used with TEST_F.
template <class Fixture>
class OnSQLite : public Fixture {
protected:
    Backend backend() const override { return Backend::SQLite; }
};

// A fixture of BackendTest for the cases whose meaning is SQL Server's own
// (its messages, its rights), used with TEST_F; skipped, saying why, where
// no server is named.
template <class Fixture>
class OnSqlServer : public Fixture {
protected:
    Backend backend() const override { return Backend::SqlServer; }
};

std::string BackendTestName(const ::testing::TestParamInfo<Backend>& info);

} // namespace qel::test

#define QEL_ON_EVERY_BACKEND(Fixture)                                                                                   \
    INSTANTIATE_TEST_SUITE_P(Backends, Fixture,                                                                        \
                             ::testing::Values(::qel::test::Backend::SQLite, ::qel::test::Backend::SqlServer),         \
                             ::qel::test::BackendTestName)
