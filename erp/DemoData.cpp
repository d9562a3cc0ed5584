#include "erp/DemoData.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string_view>
#include <utility>

#include "ovardx/Variant.h"

namespace ovardx::erp {

// --- DemoRandom -------------------------------------------------------------

std::uint64_t DemoRandom::Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int DemoRandom::Between(int low, int high) {
    const auto span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<int>(Next() % span);
}

bool DemoRandom::Percent(int percent) { return Between(0, 99) < percent; }

double DemoRandom::Money(double low, double high) {
    const auto cents = Between(static_cast<int>(std::lround(low * 100)),
                               static_cast<int>(std::lround(high * 100)));
    return cents / 100.0;
}

std::string DemoRandom::Uuid() {
    const std::uint64_t high = (Next() & 0xFFFFFFFFFFFF0FFFull) | 0x0000000000004000ull;  // version 4
    const std::uint64_t low = (Next() & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;   // variant 1
    char text[37];
    std::snprintf(text, sizeof text, "%08llX-%04llX-%04llX-%04llX-%012llX",
                  static_cast<unsigned long long>(high >> 32),
                  static_cast<unsigned long long>((high >> 16) & 0xFFFF),
                  static_cast<unsigned long long>(high & 0xFFFF),
                  static_cast<unsigned long long>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}

DateTime DemoDay(int day) {
    using namespace std::chrono;
    const year_month_day date{sys_days{year{2025} / January / 1} + days{day}};
    DateTime result;
    result.Year = static_cast<int>(date.year());
    result.Month = static_cast<int>(static_cast<unsigned>(date.month()));
    result.Day = static_cast<int>(static_cast<unsigned>(date.day()));
    return result;
}

namespace {

// --- Helpers ------------------------------------------------------------------

std::string Format(const char* pattern, long long number) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, number);
    return text;
}

double Round2(double value) { return std::round(value * 100.0) / 100.0; }

Variant NullIf(bool isNull, Variant value) { return isNull ? Variant::Null() : std::move(value); }

// One prepared INSERT (or other write), run once per row.
class Writer {
public:
    Writer(DemoTarget& target, std::string_view sql) : statement_(target.Prepare(sql)) {}

    // Binds the values in order, runs the statement and answers the new row's id.
    std::int64_t Run(std::initializer_list<Variant> values) {
        return statement_->Run(std::span<const Variant>(values.begin(), values.size()));
    }

private:
    std::unique_ptr<DemoStatement> statement_;
};

struct Currency {
    int Id;
    const char* Number;
    const char* Name;
    double Rate;
};

constexpr Currency kCurrencies[] = {
    {1, "RMB", "人民币", 1.0},   {2, "USD", "美元", 7.1},   {3, "HKD", "港币", 0.91},
    {4, "EUR", "欧元", 7.8},     {5, "JPY", "日元", 0.048}, {6, "GBP", "英镑", 9.05},
};

constexpr const char* kCities[] = {"北京", "上海", "广州", "深圳", "杭州", "南京", "苏州", "成都",
                                   "武汉", "天津", "重庆", "西安", "厦门", "青岛", "宁波"};
constexpr const char* kCores[] = {"华信", "恒通", "金达", "瑞丰", "宏远", "鼎盛", "永安", "天成",
                                  "新创", "联合", "万和", "康泰", "海星", "中科", "盛世", "锦程"};
constexpr const char* kTrades[] = {"贸易", "科技", "实业", "电子", "机械",
                                   "化工", "建材", "食品", "医药", "物流"};
constexpr const char* kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴",
                                     "徐", "孙", "胡", "朱", "高", "林", "何", "郭", "马", "罗"};
constexpr const char* kGivenNames[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋",
                                       "勇", "艳", "杰", "娟", "涛", "明", "超", "秀英", "建华", "志强"};
constexpr const char* kProducts[] = {"不锈钢螺栓", "六角螺母", "深沟球轴承", "斜齿轮", "液压泵",
                                     "三相电机", "可编程控制器", "压力传感器", "球阀", "无缝钢管",
                                     "铝型材", "电力电缆", "空气开关", "干式变压器", "滤芯"};
constexpr const char* kDepartments[][2] = {{"D01", "销售一部"}, {"D02", "销售二部"},
                                           {"D03", "财务部"},   {"D04", "市场部"},
                                           {"D05", "华东办事处"}, {"D06", "华南办事处"}};
constexpr const char* kUnits[][2] = {{"PCS", "个"}, {"KG", "千克"}, {"BOX", "箱"}, {"SET", "套"}, {"M", "米"}};
constexpr const char* kSettles[][2] = {{"JS01", "现金"}, {"JS02", "电汇"}, {"JS03", "支票"},
                                       {"JS04", "银行汇票"}, {"JS05", "商业承兑汇票"}};
constexpr const char* kClerks[] = {"张伟", "王芳", "李娜", "刘洋", "陈静", "杨磊"};

template <class T, std::size_t N>
const T& PickFrom(DemoRandom& random, const T (&values)[N]) {
    return values[static_cast<std::size_t>(random.Between(0, static_cast<int>(N) - 1))];
}

// Ids that no base-data row has: documents that point at them show what the
// exports do with a dangling reference.
constexpr int kMissingItemId = 900001;
constexpr int kMissingCurrencyId = 99;
constexpr int kMissingSettleId = 99;
constexpr int kMissingUserId = 999;
constexpr int kMissingContractTypeId = 99;

// Enumeration ids: contract types (FTypeID 1) and bill types (FTypeID 2).
constexpr int kSalesContractType = 1;
constexpr int kPurchaseContractType = 2;
constexpr int kReceiveBillType = 1001;
constexpr int kAdvanceReceiptType = 1002;
constexpr int kOtherReceiptType = 1003;

struct ContractRow {
    std::int64_t Id;
    int Rp;
    int SystemType;
    std::string Number;
    std::string Uuid;
    int Entries;
    int Schemes;
};

struct BillRow {
    std::int64_t Id;
    int Pre;
    int Rp;
    std::string Uuid;
};

// --- The generator ----------------------------------------------------------

class DemoWriter {
public:
    DemoWriter(DemoTarget& target, int scale, std::uint64_t seed, DemoSummary& summary)
        : target_(target), scale_(scale), random_(seed), summary_(summary) {}

    void Write() {
        WriteProfileAndUsers();
        WriteBaseData();
        WriteContracts();
        WritePlans();
        WriteBills();
        WriteLaterChanges();
        WriteDeletions();
        WriteOtherChangeLogRows();
    }

private:
    void WriteProfileAndUsers() {
        Writer profile(target_, "INSERT INTO T_SYSTEMPROFILE (FCategory, FKey, FValue, FDescription) VALUES (?, ?, ?, ?)");
        profile.Run({"Base", "ServicePack", kDemoServicePack, "补丁版本"});
        profile.Run({"Base", "Version", "10.3", "产品版本"});
        profile.Run({"GL", "CurrentYear", "2025", "当前会计年度"});
        profile.Run({"GL", "CurrentPeriod", "6", "当前会计期间"});

        Writer user(target_, "INSERT INTO t_User (FUserID, FName, FDescription, FForbidden) VALUES (?, ?, ?, ?)");
        user.Run({kAdministratorUserId, "Administrator", "系统管理员", 0});
        user.Run({kWebServiceUserId, "WebService", "Web 服务接口用户", 0});
        user.Run({kForbiddenAdministratorId, "OldAdmin", "已禁用的管理员", 1});
        user.Run({kPlainUserId, "Guest", "无权限用户", 0});
        for (int i = 0; i < static_cast<int>(std::size(kClerks)); ++i) {
            const int id = kFirstClerkUserId + i;
            user.Run({id, kClerks[i], "财务人员", 0});
            clerks_.push_back(id);
        }

        Writer group(target_, "INSERT INTO t_Group (FUserID, FGroupID) VALUES (?, ?)");
        group.Run({kAdministratorUserId, 1});
        group.Run({kForbiddenAdministratorId, 1});
        group.Run({kWebServiceUserId, 2});
        group.Run({kPlainUserId, 2});
        for (int id : clerks_) group.Run({id, 2});

        Writer access(target_, "INSERT INTO t_AccessControl (FObjectType, FObjectID, FUserID, FAccessMask) VALUES (?, ?, ?, ?)");
        access.Run({16, 0, kAdministratorUserId, 0});
        access.Run({16, 0, kWebServiceUserId, 0x00300000});
        access.Run({16, 0, kForbiddenAdministratorId, 0x00100000});
        access.Run({16, 0, kPlainUserId, 0x000FFFFF});
        // Bit 20 on another object type is not the web-service right.
        access.Run({1, 0, kPlainUserId, 0x00100000});
        for (int id : clerks_) access.Run({16, 0, id, 0x0000000F});
    }

    void WriteBaseData() {
        Writer currency(target_, "INSERT INTO t_Currency (FCurrencyID, FNumber, FName, FScale, FExchangeRate, UUID) VALUES (?, ?, ?, ?, ?, ?)");
        for (const Currency& c : kCurrencies) {
            currency.Run({c.Id, c.Number, c.Name, c.Id == 5 ? 0 : 2, c.Rate, random_.Uuid()});
            ++summary_.Currencies;
        }

        Writer unit(target_, "INSERT INTO t_measureunit (FMeasureUnitID, FUnitGroupID, FNumber, FName, FCoefficient, UUID) VALUES (?, ?, ?, ?, ?, ?)");
        for (int i = 0; i < static_cast<int>(std::size(kUnits)); ++i) {
            unit.Run({i + 1, 1, kUnits[i][0], kUnits[i][1], 1.0, random_.Uuid()});
            units_.push_back(i + 1);
            ++summary_.Units;
        }

        Writer settle(target_, "INSERT INTO t_settle (FItemID, FNumber, FName) VALUES (?, ?, ?)");
        for (int i = 0; i < static_cast<int>(std::size(kSettles)); ++i)
            settle.Run({i + 1, kSettles[i][0], kSettles[i][1]});

        Writer systemEnum(target_, "INSERT INTO t_RP_SystemEnum (FItemID, FTypeID, FNumber, FName) VALUES (?, ?, ?, ?)");
        systemEnum.Run({kSalesContractType, 1, "01", "销售合同"});
        systemEnum.Run({kPurchaseContractType, 1, "02", "采购合同"});
        systemEnum.Run({kReceiveBillType, 2, "01", "收款单"});
        systemEnum.Run({kAdvanceReceiptType, 2, "02", "预收单"});
        systemEnum.Run({kOtherReceiptType, 2, "03", "其他收款"});

        Writer item(target_, "INSERT INTO t_item (FItemClassID, FNumber, FName, UUID) VALUES (?, ?, ?, ?)");
        for (int i = 1; i <= 20 * scale_; ++i) {
            std::string name = std::string(PickFrom(random_, kCities)) + PickFrom(random_, kCores) +
                               PickFrom(random_, kTrades) + "有限公司";
            std::string number = Format("C%03lld", i);
            std::string uuid = random_.Uuid();
            customers_.push_back(item.Run({1, number, name, uuid}));
            if (i == 1) summary_.FirstCustomer = {customers_.back(), number, name, uuid};
        }
        for (const auto& department : kDepartments)
            departments_.push_back(item.Run({2, department[0], department[1], random_.Uuid()}));
        for (int i = 1; i <= 10 * scale_; ++i) {
            std::string name = std::string(PickFrom(random_, kSurnames)) + PickFrom(random_, kGivenNames);
            employees_.push_back(item.Run({3, Format("E%03lld", i), name, random_.Uuid()}));
        }
        for (int i = 1; i <= 30 * scale_; ++i) {
            std::string name = std::string(PickFrom(random_, kProducts)) + " " +
                               Format("XT-%d", random_.Between(10, 999));
            products_.push_back(item.Run({4, Format("P%04lld", i), name, random_.Uuid()}));
        }
        summary_.Customers = static_cast<std::int64_t>(customers_.size());
        summary_.Departments = static_cast<std::int64_t>(departments_.size());
        summary_.Employees = static_cast<std::int64_t>(employees_.size());
        summary_.Products = static_cast<std::int64_t>(products_.size());
    }

    const Currency& PickCurrency() {
        return random_.Percent(75) ? kCurrencies[0] : PickFrom(random_, kCurrencies);
    }

    // Department or employee id: sometimes null, sometimes 0.
    Variant OptionalItem(const std::vector<std::int64_t>& ids) {
        const int roll = random_.Between(0, 99);
        if (roll < 15) return Variant::Null();
        if (roll < 25) return 0;
        return random_.Pick(ids);
    }

    void WriteContracts() {
        Writer header(target_,
                      "INSERT INTO t_RPContract (FRP, FSystemType, FContractTypeID, FContractNo, FContractName,"
                      " FDate, FCustomer, FDepartment, FEmployee, FCurrencyID, FExchangeRate, FTotalAmountFor,"
                      " FTotalAmount, FReceiveAmountFor, FCashDiscount, FExplanation, FText, FXItemID, FStatus, UUID)"
                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        Writer entry(target_,
                     "INSERT INTO t_rpcontractentry (FContractID, FIndex, FProductID, FUnitID, FQuantity, FPriceFor,"
                     " FTaxPriceFor, FTaxRate, FBusinessDiscountRate, FBusinessDiscountFor, FAmountFor, FTaxFor,"
                     " FAmountIncludeTaxFor, FExplanation) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        Writer scheme(target_,
                      "INSERT INTO t_rpcontractscheme (FContractID, FIndex, FReceiveDate, FAmountFor, FCurrencyID,"
                      " FExchangeRate) VALUES (?, ?, ?, ?, ?, ?)");

        for (int k = 1; k <= 15 * scale_; ++k) {
            const int rp = random_.Percent(80) ? 1 : 0;
            const int systemType = random_.Percent(93) ? 1 : 2;
            std::string number = Format(rp == 1 ? "HT-2025-%04lld" : "CG-2025-%04lld", k);
            const int typeRoll = random_.Between(0, 99);
            const Variant type = typeRoll < 5    ? Variant::Null()
                                 : typeRoll < 8  ? Variant(kMissingContractTypeId)
                                 : rp == 1       ? Variant(kSalesContractType)
                                                 : Variant(kPurchaseContractType);
            const int day = random_.Between(0, 330);
            const Currency& currency = PickCurrency();

            struct Line {
                std::int64_t Product;
                int Unit;
                double Quantity, Price, TaxPrice, AmountFor, DiscountFor, TaxFor, WithTax;
                Variant TaxRate, DiscountRate, Explanation;
            };
            std::vector<Line> lines;
            const int lineCount = random_.Percent(10) ? 0 : random_.Between(1, 4);
            double total = 0;
            for (int i = 0; i < lineCount; ++i) {
                Line line;
                line.Product = random_.Pick(products_);
                line.Unit = random_.Pick(units_);
                line.Quantity = random_.Between(1, 500);
                line.Price = random_.Money(5, 3000);
                const int taxRoll = random_.Between(0, 99);
                const double taxRate = taxRoll < 60 ? 13 : taxRoll < 85 ? 17 : taxRoll < 97 ? 6 : 0;
                line.TaxRate = taxRoll >= 97 ? Variant::Null() : Variant(taxRate);
                const int discountRoll = random_.Between(0, 99);
                const double discount = discountRoll < 70 ? 0 : discountRoll < 90 ? 5 : 10;
                line.DiscountRate = discountRoll >= 95 ? Variant::Null() : Variant(discount);
                line.TaxPrice = Round2(line.Price * (1 + taxRate / 100));
                const double gross = line.Price * line.Quantity;
                line.DiscountFor = Round2(gross * discount / 100);
                line.AmountFor = Round2(gross - line.DiscountFor);
                line.TaxFor = Round2(line.AmountFor * taxRate / 100);
                line.WithTax = Round2(line.AmountFor + line.TaxFor);
                line.Explanation = NullIf(random_.Percent(70), "按图纸要求加工");
                total += line.WithTax;
                lines.push_back(std::move(line));
            }
            total = Round2(total);
            const int status = random_.Percent(4) ? 7 : random_.Between(0, 2);
            const double received = status == 2 ? total : random_.Percent(30) ? Round2(total * 0.3) : 0.0;
            const int checkerRoll = random_.Between(0, 99);
            const Variant checker = checkerRoll < 25   ? Variant::Null()
                                    : checkerRoll < 35 ? Variant(0)
                                    : checkerRoll < 38 ? Variant(kMissingUserId)
                                                       : Variant(random_.Pick(clerks_));

            const std::string uuid = random_.Uuid();
            const std::int64_t id = header.Run({
                rp, systemType, type, number,
                std::string(rp == 1 ? "销售合同 " : "采购合同 ") + number,
                NullIf(random_.Percent(5), DemoDay(day)),
                random_.Pick(customers_), OptionalItem(departments_), OptionalItem(employees_),
                currency.Id, currency.Rate, total, Round2(total * currency.Rate), received, "",
                NullIf(random_.Percent(30), "年度框架合同"),
                NullIf(random_.Percent(50), "交货期 30 天，验收合格后付款。"),
                checker, status, uuid});

            for (int i = 0; i < lineCount; ++i) {
                const Line& line = lines[static_cast<std::size_t>(i)];
                entry.Run({id, i + 1, line.Product, line.Unit, line.Quantity, line.Price, line.TaxPrice,
                           line.TaxRate, line.DiscountRate, line.DiscountFor, line.AmountFor, line.TaxFor,
                           line.WithTax, line.Explanation});
            }
            const int schemeCount = random_.Percent(15) ? 0 : random_.Between(1, 3);
            for (int i = 0; i < schemeCount; ++i) {
                DateTime due = DemoDay(day + 30 * (i + 1));
                if (random_.Percent(30)) {
                    due.Hour = random_.Between(8, 17);
                    due.Minute = 30;
                }
                scheme.Run({id, i + 1, due, Round2(total / schemeCount), currency.Id, currency.Rate});
            }
            contracts_.push_back({id, rp, systemType, number, uuid, lineCount, schemeCount});
            if (rp == 1) receivableContracts_.push_back(contracts_.back());
        }
    }

    void WritePlanHeader(int rp, int type, const std::string& number, std::int64_t customer,
                         int currencyId, double rate, bool exportable) {
        const int day = random_.Between(0, 300);
        const int contractRoll = random_.Between(0, 99);
        const Variant contractNo = contractRoll < 30   ? Variant(random_.Pick(receivableContracts_).Number)
                                   : contractRoll < 40 ? Variant(Format("HT-2024-%04lld", random_.Between(1, 9999)))
                                   : contractRoll < 50 ? Variant("")
                                                       : Variant::Null();

        struct Entry {
            DateTime Date;
            double Amount, Remain;
        };
        std::vector<Entry> entries;
        const int count = random_.Between(1, 5);
        for (int j = 0; j < count; ++j) {
            Entry entry{DemoDay(day + 30 * j), random_.Money(500, 80000), 0};
            const int remainRoll = random_.Between(0, 99);
            entry.Remain = remainRoll < 15 ? 0.0 : remainRoll < 30 ? random_.Money(1, entry.Amount) : entry.Amount;
            // Now and then a second entry repeats the first: the page query's
            // union returns the two as one row.
            if (j == 1 && random_.Percent(6)) entry = entries[0];
            entries.push_back(entry);
        }
        double amount = 0, remain = 0;
        for (const Entry& entry : entries) {
            amount += entry.Amount;
            remain += entry.Remain;
        }
        const DateTime date = DemoDay(day);
        const std::int64_t id = planHeader_->Run({
            number, rp, type, date.Year, date.Month, date, customer, OptionalItem(departments_),
            OptionalItem(employees_), currencyId, rate, Round2(amount * rate), Round2(amount),
            Round2(remain * rate), Round2(remain), contractNo, NullIf(random_.Percent(70), "按合同约定分期收款")});
        Writer& plan = rp == 1 ? *planAr_ : *planAp_;
        std::set<std::pair<DateTime, double>> distinctRows;
        for (int j = 0; j < count; ++j) {
            const Entry& entry = entries[static_cast<std::size_t>(j)];
            plan.Run({id, j + 1, entry.Date, Round2(entry.Amount * rate), entry.Amount,
                      Round2(entry.Remain * rate), entry.Remain});
            if (entry.Remain != 0) distinctRows.insert({entry.Date, entry.Remain});
        }
        ++summary_.PlanHeaders;
        summary_.PlanRows += count;
        if (rp == 1 && (type == 3 || type == 13)) {
            ++summary_.ExportablePlanHeaders;
            if (exportable) summary_.ExportablePlanRows += static_cast<std::int64_t>(distinctRows.size());
        }
    }

    void WritePlans() {
        Writer header(target_,
                      "INSERT INTO t_rp_contact (FNumber, FRP, FType, FYear, FPeriod, FDate, FCustomer, FDepartment,"
                      " FEmployee, FCurrencyID, FExchangerate, FAmount, FAmountFor, FRemainAmount, FRemainAmountFor,"
                      " FContractNo, FExplanation) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        const char* planColumns = " (FOrgID, FIndex, FDate, FAmount, FAmountFor, FRemainAmount, FRemainAmountFor)"
                                  " VALUES (?, ?, ?, ?, ?, ?, ?)";
        Writer ar(target_, std::string("INSERT INTO t_rp_plan_ar") + planColumns);
        Writer ap(target_, std::string("INSERT INTO t_Rp_plan_ap") + planColumns);
        planHeader_ = &header;
        planAr_ = &ar;
        planAp_ = &ap;

        // Larger scales give every customer more documents as well, so that
        // scale 100 holds well over 100,000 plan rows.
        const std::int64_t headers = static_cast<std::int64_t>(customers_.size()) * (7 + scale_ / 8);
        for (std::int64_t i = 1; i <= headers; ++i) {
            const int roll = random_.Between(0, 99);
            int rp = 1;
            int type = random_.Percent(50) ? 3 : 13;
            std::string number = Format(type == 3 ? "XSFP%06lld" : "QTYS%06lld", i);
            if (roll < 6) {
                rp = 0;
                number = Format("CGFP%06lld", i);
            } else if (roll < 12) {
                static constexpr int kOtherTypes[] = {1, 5, 14};
                type = PickFrom(random_, kOtherTypes);
                number = Format("QTDJ%06lld", i);
            }
            const Currency& currency = PickCurrency();
            WritePlanHeader(rp, type, number, random_.Pick(customers_), currency.Id, currency.Rate, true);
        }
        // Plan headers whose customer or currency has no row: never exported.
        WritePlanHeader(1, 3, "XSFP-X01", kMissingItemId, 1, 1.0, false);
        WritePlanHeader(1, 13, "QTYS-X02", kMissingItemId, 1, 1.0, false);
        WritePlanHeader(1, 3, "XSFP-X03", customers_.front(), kMissingCurrencyId, 1.0, false);
        planHeader_ = planAr_ = planAp_ = nullptr;
    }

    void WriteBill(Writer& bill, int pre, int sequence) {
        const int rp = random_.Percent(90) ? 1 : 0;
        const int day = random_.Between(0, 330);
        const DateTime date = DemoDay(day);
        const Currency& currency = PickCurrency();
        const int settleCurrency = random_.Percent(90) ? currency.Id : 1;
        const double amountFor = random_.Money(1000, 200000);
        const double discountFor = random_.Percent(80) ? 0.0 : Round2(amountFor * 0.01);
        const int billTypeRoll = random_.Between(0, 99);
        const Variant billType = billTypeRoll < 5 ? Variant::Null()
                                 : pre == 1       ? Variant(kAdvanceReceiptType)
                                 : billTypeRoll < 15 ? Variant(kOtherReceiptType)
                                                     : Variant(kReceiveBillType);
        const int bankRoll = random_.Between(0, 99);
        const Variant bank = bankRoll < 30   ? Variant::Null()
                             : bankRoll < 40 ? Variant("")
                                             : Variant(Format("中国工商银行 6222 0210 %04lld", random_.Between(0, 9999)));
        const int settleRoll = random_.Between(0, 99);
        const Variant settle = settleRoll < 10   ? Variant::Null()
                               : settleRoll < 20 ? Variant(0)
                               : settleRoll < 24 ? Variant(kMissingSettleId)
                                                 : Variant(random_.Between(1, static_cast<int>(std::size(kSettles))));
        const int settleNoRoll = random_.Between(0, 99);
        const Variant settleNo = settleNoRoll < 40   ? Variant::Null()
                                 : settleNoRoll < 50 ? Variant("")
                                                     : Variant(Format("ZP%08lld", random_.Between(0, 99999999)));
        Variant contractNo = Variant::Null();
        Variant contractId = Variant::Null();
        if (random_.Percent(40)) {
            const ContractRow& contract = random_.Pick(receivableContracts_);
            contractNo = contract.Number;
            contractId = contract.Id;
        } else if (random_.Percent(50)) {
            contractId = 0;
        }
        const int checkerRoll = random_.Between(0, 99);
        const Variant checker = checkerRoll < 30   ? Variant::Null()
                                : checkerRoll < 40 ? Variant(0)
                                                   : Variant(random_.Pick(clerks_));
        const bool checked = checkerRoll >= 40;
        const int preparer = random_.Pick(clerks_);
        const Variant preparerValue = NullIf(random_.Percent(3), preparer);
        const std::string uuid = random_.Uuid();

        const std::int64_t id = bill.Run({
            Format(pre == 1 ? "YSKD%06lld" : "XSKD%06lld", sequence), rp, pre, date.Year, date.Month, date,
            NullIf(random_.Percent(10), DemoDay(day + random_.Between(0, 3))), billType,
            random_.Pick(customers_), OptionalItem(departments_), OptionalItem(employees_), bank, settle,
            settleNo, currency.Id, settleCurrency, currency.Id, currency.Rate, settleCurrency != currency.Id,
            Round2(amountFor * currency.Rate), amountFor, Round2((amountFor - discountFor) * currency.Rate),
            Round2(amountFor - discountFor), NullIf(random_.Percent(5), Round2(discountFor * currency.Rate)),
            NullIf(random_.Percent(5), discountFor), NullIf(random_.Percent(5), 0.0), 0.0,
            Round2(amountFor * currency.Rate), amountFor,
            NullIf(random_.Percent(50), Format("XSFP%06lld", random_.Between(1, 999999))), contractNo, contractId,
            NullIf(random_.Percent(40), pre == 1 ? "预收定金" : "收到货款"), checker,
            NullIf(!checked, DemoDay(day + 1)), preparerValue, uuid});
        bills_.push_back({id, pre, rp, uuid});
    }

    void WriteBills() {
        Writer bill(target_,
                    "INSERT INTO t_RP_NewReceiveBill (FNumber, FRP, FPre, FYear, FPeriod, FDate, FFincDate, FBillType,"
                    " FCustomer, FDepartment, FEmployee, FRPBank, FSettle, FSettleNo, FReceiveCyID, FSettleCyID,"
                    " FCurrencyID, FExchangeRate, FMulCy, FAmount, FAmountFor, FSettleAmount, FSettleAmountFor,"
                    " FSettleDiscount, FSettleDiscountFor, FDiscountAmount, FDiscountAmountFor, FReceiveAmount,"
                    " FReceiveAmountFor, FARNumber, FContractNo, FContractID, FExplanation, FChecker, FCheckDate,"
                    " FPreparer, UUID) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                    " ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        const int receiveBills = 40 * scale_;
        const int advanceReceipts = 15 * scale_;
        for (int i = 1; i <= receiveBills + advanceReceipts; ++i) {
            // Interleaved, as they are entered in practice.
            const bool advance = random_.Between(1, receiveBills + advanceReceipts) <= advanceReceipts;
            const int pre = advance ? 1 : 0;
            WriteBill(bill, pre, pre == 1 ? ++advanceSequence_ : ++billSequence_);
        }
    }

    // Edits after entry: the edited rows take newer row versions than rows
    // entered after them.
    void WriteLaterChanges() {
        Writer plan(target_, "UPDATE t_rp_contact SET FExplanation = '已调整收款计划' WHERE FID = ?");
        for (std::int64_t id = 3; id <= summary_.PlanHeaders; id += 10) plan.Run({id});
        Writer contract(target_, "UPDATE t_RPContract SET FStatus = 1 WHERE FContractID = ? AND FStatus = 0");
        for (const ContractRow& row : contracts_)
            if (random_.Percent(15)) contract.Run({row.Id});
        Writer bill(target_, "UPDATE t_RP_NewReceiveBill SET FExplanation = '已核对' WHERE FBillID = ?");
        for (const BillRow& row : bills_)
            if (random_.Percent(10)) bill.Run({row.Id});
    }

    // Real deletions, so that the triggers write the change log.
    void WriteDeletions() {
        Writer contract(target_, "DELETE FROM t_RPContract WHERE FContractID = ?");
        std::vector<ContractRow> keptContracts;
        const std::size_t contractStep = std::max<std::size_t>(2, contracts_.size() / std::max(2, scale_ / 2 + 2));
        for (std::size_t i = 0; i < contracts_.size(); ++i) {
            const ContractRow& row = contracts_[i];
            if (i % contractStep == 1) {
                contract.Run({row.Id});
                ++summary_.DeletedContracts;
                summary_.DeletedContractUuid = row.Uuid;
            } else {
                keptContracts.push_back(row);
            }
        }
        contracts_ = std::move(keptContracts);

        Writer bill(target_, "DELETE FROM t_RP_NewReceiveBill WHERE FBillID = ?");
        std::vector<BillRow> keptBills;
        int seen[2] = {0, 0};
        for (const BillRow& row : bills_) {
            // Every 8th bill of each kind.
            if (++seen[row.Pre] % 8 == 3) {
                bill.Run({row.Id});
                ++(row.Pre == 1 ? summary_.DeletedAdvanceReceipts : summary_.DeletedReceiveBills);
                if (row.Pre == 0) summary_.DeletedReceiveBillUuid = row.Uuid;
            } else {
                keptBills.push_back(row);
            }
        }
        bills_ = std::move(keptBills);

        for (const ContractRow& row : contracts_) {
            ++summary_.Contracts;
            summary_.ContractEntries += row.Entries;
            summary_.ContractSchemes += row.Schemes;
            if (row.Rp == 1 && row.SystemType == 1) {
                ++summary_.ExportableContracts;
                if (summary_.SampleContract.Id == 0 && row.Entries > 0 && row.Schemes > 0)
                    summary_.SampleContract = {row.Id, row.Number, row.Uuid, row.Entries, row.Schemes};
            }
        }
        for (const BillRow& row : bills_) {
            ++(row.Pre == 1 ? summary_.AdvanceReceipts : summary_.ReceiveBills);
            if (row.Rp != 1) continue;
            ++(row.Pre == 1 ? summary_.ExportableAdvanceReceipts : summary_.ExportableReceiveBills);
            DemoBill& sample = row.Pre == 1 ? summary_.SampleAdvanceReceipt : summary_.SampleReceiveBill;
            if (sample.Id == 0) sample = {row.Id, row.Uuid};
        }
    }

    // Change-log rows that are no deletions of this system: the deletion
    // export must skip them.
    void WriteOtherChangeLogRows() {
        Writer change(target_,
                      "INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID) VALUES (?, ?, ?, ?)");
        change.Run({2, 5, 0, random_.Uuid()});    // an edit, not a deletion
        change.Run({2, -1, 0, random_.Uuid()});
        change.Run({1, 5, 1, random_.Uuid()});    // another system
        change.Run({1, -1, 1, random_.Uuid()});
        change.Run({2, 7, 1, random_.Uuid()});    // a document type the exports do not know
    }

    DemoTarget& target_;
    int scale_;
    DemoRandom random_;
    DemoSummary& summary_;

    std::vector<int> clerks_;
    std::vector<int> units_;
    std::vector<std::int64_t> customers_, departments_, employees_, products_;
    std::vector<ContractRow> contracts_, receivableContracts_;
    std::vector<BillRow> bills_;
    int billSequence_ = 0;
    int advanceSequence_ = 0;
    Writer* planHeader_ = nullptr;
    Writer* planAr_ = nullptr;
    Writer* planAp_ = nullptr;
};

}  // namespace

void WriteDemoData(DemoTarget& target, int scale, std::uint64_t seed, DemoSummary& summary) {
    DemoWriter(target, scale, seed, summary).Write();
}

void WriteDemoData(sqlite::Database& db, int scale, std::uint64_t seed, DemoSummary& summary) {
    const std::unique_ptr<DemoTarget> target = SqliteDemoTarget(db);
    WriteDemoData(*target, scale, seed, summary);
}

}  // namespace ovardx::erp
