#include "tools/ovardx/serve/ComponentCounters.h"

#include <functional>

#include "ovardx/BusinessComponents.h"

namespace ovardx::serve {

namespace {

thread_local ComponentCounts* tCounts = nullptr;

void CountSaved() {
    if (tCounts != nullptr) ++tCounts->saved;
}
void CountDeleted() {
    if (tCounts != nullptr) ++tCounts->deleted;
}

class CountingContractUpdater final : public ContractUpdater {
public:
    explicit CountingContractUpdater(std::shared_ptr<ContractUpdater> inner) : inner_(std::move(inner)) {}
    Variant Save(std::string& strPropsString, std::shared_ptr<ValueDictionary>& header,
                 std::shared_ptr<ValueVector>& schemes, std::shared_ptr<ValueVector>& entries) override {
        Variant id = inner_->Save(strPropsString, header, schemes, entries);
        CountSaved();
        return id;
    }
    void Delete(std::string& strPropsString, std::int32_t& contractId, bool& receivable) override {
        inner_->Delete(strPropsString, contractId, receivable);
        CountDeleted();
    }

private:
    std::shared_ptr<ContractUpdater> inner_;
};

class CountingBillUpdater final : public BillUpdater {
public:
    explicit CountingBillUpdater(std::shared_ptr<BillUpdater> inner) : inner_(std::move(inner)) {}
    void DeleteReceiveBill(std::string& strPropsString, std::int32_t& billId, bool& receivable,
                           std::int16_t kind) override {
        inner_->DeleteReceiveBill(strPropsString, billId, receivable, kind);
        CountDeleted();
    }

private:
    std::shared_ptr<BillUpdater> inner_;
};

// A counting layer over the current registration of progId, when there is
// one for Interface.
template <class Interface, class Counting>
void Wrap(std::optional<ScopedComponent>& scope, const char* progId) {
    const ComponentRegistry::Registration current = ComponentRegistry::Lookup(progId);
    if (!current.factory || current.type != typeid(Interface)) return;
    scope.emplace(progId, std::function<std::shared_ptr<Interface>()>([factory = current.factory] {
                      return std::make_shared<Counting>(std::static_pointer_cast<Interface>(factory()));
                  }));
}

}  // namespace

ComponentCounters::ComponentCounters() {
    Wrap<ContractUpdater, CountingContractUpdater>(contracts_, kContractUpdaterProgId);
    Wrap<BillUpdater, CountingBillUpdater>(bills_, kBillUpdaterProgId);
}

CountingScope::CountingScope() : previous_(tCounts) { tCounts = &counts_; }

CountingScope::~CountingScope() { tCounts = previous_; }

}  // namespace ovardx::serve
