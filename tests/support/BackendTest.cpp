#include "tests/support/BackendTest.h"

#include "db/DatabaseError.h"

namespace qel::test {

void BackendTest::SetUp()
{
    const Backend kind = backend();
    const QString unavailable = ProductBackend::Unavailable(kind);
    if (!unavailable.isEmpty())
        GTEST_SKIP() << unavailable.toStdString();
    try {
        backend_ = std::make_unique<ProductBackend>(kind);
    } catch (const DatabaseError& e) {
        GTEST_FAIL() << ProductBackend::SetUpFailure(kind, e);
    }
    try {
        SetUpProduct();
    } catch (const DatabaseError& e) {
        GTEST_FAIL() << "Setting up the test's content failed on " << BackendName(kind) << ": "
                     << e.source().toStdString() << ": " << e.description().toStdString();
    }
}

void BackendTest::TearDown()
{
    if (!backend_)
        return;
    try {
        backend_->Release();
    } catch (const DatabaseError& e) {
        ADD_FAILURE() << "The test's databases could not all be dropped: " << e.source().toStdString() << ": "
                      << e.description().toStdString();
    }
    backend_.reset();
}

std::string BackendTestName(const ::testing::TestParamInfo<Backend>& info)
{
    return BackendName(info.param);
}

} // namespace qel::test
