// The shared result-list view suite on the tests' recording list view.
#include "support/result_list_view_suite.h"

namespace vpx::test {
namespace {

struct FakeViewMaker {
  static std::unique_ptr<IListView> Make() { return std::make_unique<FakeListView>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(FakeView, ResultListViewSuite, FakeViewMaker);

}  // namespace
}  // namespace vpx::test
