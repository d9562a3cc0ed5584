/* The C interface as a C host calls it, against libovardx.so and a fresh
 * demo database (its path is the first argument). */
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <ovardx/ovardx.h>

static int failures = 0;

#define CHECK(condition)                                                          \
    do {                                                                          \
        if (!(condition)) {                                                       \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                           \
        }                                                                         \
    } while (0)

static const char* const kZero = "0x0000000000000000";
static char admin[1024], guest[1024];

static int Contains(const char* text, const char* part) { return text != NULL && strstr(text, part) != NULL; }

static long CountRecords(const char* xml) {
    long count = 0;
    for (const char* at = xml; at != NULL && (at = strstr(at, "<Record>")) != NULL; ++at) ++count;
    return count;
}

/* ---- The four exports behind one signature, so that paging is one table ---- */

typedef struct {
    const char* name;
    void* object;
    int (*page)(void* object, const char* props, int32_t per_count, const char* time_stamp, char** xml,
                char** time_stamp_out, char** max_time_stamp, char** error);
} Export;

static int PlanPage(void* o, const char* p, int32_t n, const char* ts, char** x, char** t, char** m, char** e) {
    return ovardx_arap_plan_export(o, p, x, n, ts, t, m, e);
}
static int BillPage(void* o, const char* p, int32_t n, const char* ts, char** x, char** t, char** m, char** e) {
    return ovardx_receive_bill_export(o, p, x, 0, n, ts, t, m, e);
}
static int ContractPage(void* o, const char* p, int32_t n, const char* ts, char** x, char** t, char** m,
                        char** e) {
    return ovardx_contract_export(o, p, x, 1, n, ts, t, m, e);
}
static int DeletionPage(void* o, const char* p, int32_t n, const char* ts, char** x, char** t, char** m,
                        char** e) {
    return ovardx_data_key_export_xml_data_key(o, p, 1, x, n, ts, t, m, e);
}

/* Pages from the beginning until the zero bound; answers the records seen,
 * or -1 when a page failed. */
static long PageThrough(const Export* export, int32_t per_count, int* pages) {
    char* bound = NULL;
    long records = 0;
    *pages = 0;
    for (;;) {
        char *xml = NULL, *next = NULL, *newest = NULL, *error = NULL;
        const int ok = export->page(export->object, admin, per_count, bound, &xml, &next, &newest, &error);
        if (!ok) fprintf(stderr, "%s: %s\n", export->name, error ? error : "(no text)");
        CHECK(ok ? error == NULL && xml != NULL && newest != NULL : xml == NULL);
        const int done = !ok || strcmp(next, kZero) == 0;
        if (ok && !done) {
            records += CountRecords(xml);
            ++*pages;
        }
        ovardx_free(bound);
        bound = next;
        ovardx_free(xml);
        ovardx_free(newest);
        ovardx_free(error);
        if (!ok) records = -1;
        if (done) break;
    }
    ovardx_free(bound);
    return records;
}

static void TestVersion(void) {
    CHECK(strcmp(ovardx_libversion(), OVARDX_VERSION) == 0);
    CHECK(ovardx_libversion_number() == OVARDX_VERSION_NUMBER);
}

static void TestPagingMatchesOnePage(const Export* exports, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        int pages = 0, unlimitedPages = 0;
        const long paged = PageThrough(&exports[i], 2, &pages);
        const long whole = PageThrough(&exports[i], 0, &unlimitedPages);
        fprintf(stderr, "  %s: %ld records in %d pages of 2, %ld in one page\n", exports[i].name, paged, pages, whole);
        CHECK(whole > 2);
        CHECK(paged == whole);
        CHECK(pages > 1);
        CHECK(unlimitedPages == 1);
    }
}

static void TestFailureOutArguments(ovardx_arap_plan* plan) {
    static const struct {
        const char* props;
        const char* time_stamp;
        const char* error_part;
    } cases[] = {
        {"", "0x00000000000000FF", "Setuptype"},      /* no property string at all */
        {admin, "1 or 1=1", "Invalid timestamp"},     /* a bound that is no bound */
        {guest, "0x00000000000000FF", "WebServices"}, /* user 19 has no right */
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        char *xml = (char*)"stale", *next = NULL, *newest = NULL, *error = NULL;
        CHECK(ovardx_arap_plan_export(plan, cases[i].props, &xml, 10, cases[i].time_stamp, &next, &newest, &error) ==
              0);
        CHECK(xml == NULL);
        CHECK(next != NULL && strcmp(next, cases[i].time_stamp) == 0);
        CHECK(newest != NULL);
        CHECK(error != NULL && Contains(error, cases[i].error_part));
        ovardx_free(next);
        ovardx_free(newest);
        ovardx_free(error);
    }
}

static void TestOptionalAndRequiredOutArguments(ovardx_arap_plan* plan) {
    char *xml = NULL, *next = NULL, *error = NULL;
    /* max_time_stamp and error may be left out, as the C++ overloads do. */
    CHECK(ovardx_arap_plan_export(plan, admin, &xml, 5, NULL, &next, NULL, NULL) == 1);
    CHECK(CountRecords(xml) >= 5);
    ovardx_free(xml);
    ovardx_free(next);
    /* xml and time_stamp_out may not. */
    CHECK(ovardx_arap_plan_export(plan, admin, NULL, 5, NULL, &next, NULL, &error) == 0);
    CHECK(Contains(error, "xml is NULL"));
    CHECK(next != NULL && strcmp(next, "") == 0);
    ovardx_free(next);
    ovardx_free(error);
    /* And a NULL object is refused, not dereferenced. */
    CHECK(ovardx_arap_plan_export(NULL, admin, &xml, 5, NULL, &next, NULL, &error) == 0);
    CHECK(Contains(error, "Object required"));
    ovardx_free(next);
    ovardx_free(error);
    CHECK(ovardx_arap_plan_filter(NULL, "Number=C001") == 0);
    ovardx_arap_plan_release(NULL);
    ovardx_free(NULL);
}

static void TestFilter(ovardx_arap_plan* plan) {
    char *xml = NULL, *next = NULL;
    CHECK(ovardx_arap_plan_filter(plan, "Number=NO-SUCH-CUSTOMER") == 1);
    CHECK(ovardx_arap_plan_export(plan, admin, &xml, 0, NULL, &next, NULL, NULL) == 1);
    CHECK(CountRecords(xml) == 0 && strcmp(next, kZero) == 0);
    ovardx_free(xml);
    ovardx_free(next);
    CHECK(ovardx_arap_plan_filter(plan, NULL) == 1); /* NULL is the empty text: no filter */
}

typedef struct {
    ovardx_arap_plan* plan;
    int answer;
    char* error;
} ThreadCall;

static void* ExportFromAnotherThread(void* argument) {
    ThreadCall* call = argument;
    char *xml = NULL, *next = NULL;
    call->answer = ovardx_arap_plan_export(call->plan, admin, &xml, 5, NULL, &next, NULL, &call->error);
    ovardx_free(xml);
    ovardx_free(next);
    return NULL;
}

static void TestObjectBelongsToItsThread(ovardx_arap_plan* plan) {
    ThreadCall call = {plan, -1, NULL};
    pthread_t thread;
    CHECK(pthread_create(&thread, NULL, ExportFromAnotherThread, &call) == 0);
    pthread_join(thread, NULL);
    CHECK(call.answer == 0);
    CHECK(Contains(call.error, "another thread"));
    ovardx_free(call.error);
}

typedef struct {
    int calls;
    int32_t last_cur, last_total;
    int answer; /* what the callback answers: non-zero stops the call */
} Progress;

static int OnProgress(void* user, int32_t cur, int32_t total) {
    Progress* progress = user;
    ++progress->calls;
    progress->last_cur = cur;
    progress->last_total = total;
    return progress->answer;
}

static int OnMessage(void* user) {
    Progress* hook = user;
    ++hook->calls;
    return hook->answer;
}

static char* AllContracts(ovardx_contract* contracts, const char* time_stamp, char** bound) {
    char* xml = NULL;
    CHECK(ovardx_contract_export(contracts, admin, &xml, 1, 0, time_stamp, bound, NULL, NULL) == 1);
    return xml;
}

static void TestContractImport(ovardx_contract* contracts) {
    char *bound = NULL, *error = NULL, *later = NULL, *laterBound = NULL;
    char* document = AllContracts(contracts, NULL, &bound);
    const long records = CountRecords(document);
    CHECK(records > 1);

    /* Saving goes through the ERP's contract component: none is registered yet. */
    CHECK(ovardx_contract_import(contracts, admin, document, &error, 1) == 0);
    CHECK(Contains(error, "429"));
    ovardx_free(error);
    CHECK(ovardx_register_erp_stand_ins(NULL) == 1);

    /* Every record is found and skipped; Progress runs once per record. */
    Progress progress = {0, 0, 0, 0};
    CHECK(ovardx_contract_on_progress(contracts, OnProgress, &progress) == 1);
    CHECK(ovardx_contract_add_new_only(contracts, 1) == 1);
    CHECK(ovardx_contract_check_by_uuid(contracts, 1) == 1);
    CHECK(ovardx_contract_import(contracts, admin, document, &error, 1) == 1);
    CHECK(error == NULL);
    CHECK(progress.calls == records && progress.last_cur == records && progress.last_total == records);

    /* A callback that answers non-zero stops the import after the first record. */
    progress = (Progress){0, 0, 0, 1};
    CHECK(ovardx_contract_import(contracts, admin, document, &error, 1) == 0);
    CHECK(progress.calls == 1);
    CHECK(Contains(error, "18") && Contains(error, "User interrupt occurred"));
    ovardx_free(error);

    /* Saved over themselves, the contracts change, so they come after the old bound. */
    CHECK(ovardx_contract_on_progress(contracts, NULL, NULL) == 1);
    CHECK(ovardx_contract_add_new_only(contracts, 0) == 1);
    CHECK(ovardx_contract_import(contracts, admin, document, &error, 1) == 1);
    later = AllContracts(contracts, bound, &laterBound);
    CHECK(CountRecords(later) == records);

    /* The refused user saves nothing. */
    CHECK(ovardx_contract_import(contracts, guest, document, &error, 1) == 0);
    CHECK(Contains(error, "WebServices"));
    ovardx_free(error);

    ovardx_free(document);
    ovardx_free(bound);
    ovardx_free(later);
    ovardx_free(laterBound);
}

static void TestMessageHookAndExportProgress(ovardx_contract* contracts) {
    Progress hook = {0, 0, 0, 0}, progress = {0, 0, 0, 0};
    char *xml = NULL, *next = NULL, *error = NULL;
    CHECK(ovardx_set_message_hook(OnMessage, &hook) == 1);
    CHECK(ovardx_contract_b_progress(contracts, 1) == 1);
    CHECK(ovardx_contract_on_progress(contracts, OnProgress, &progress) == 1);
    CHECK(ovardx_contract_export(contracts, admin, &xml, 1, 4, NULL, &next, NULL, &error) == 1);
    CHECK(hook.calls >= 1);
    CHECK(progress.calls == 4 && progress.last_total == 4);
    ovardx_free(xml);
    ovardx_free(next);

    hook.answer = 1;
    CHECK(ovardx_contract_export(contracts, admin, &xml, 1, 4, NULL, &next, NULL, &error) == 0);
    CHECK(xml == NULL && Contains(error, "User interrupt occurred"));
    ovardx_free(next);
    ovardx_free(error);

    CHECK(ovardx_set_message_hook(NULL, NULL) == 1);
    CHECK(ovardx_contract_on_progress(contracts, NULL, NULL) == 1);
    CHECK(ovardx_contract_b_progress(contracts, 0) == 1);
}

static void TestDeletionImport(ovardx_data_key* keys) {
    static const char* const kUnknown = "<Delete><Record><UUID>{NO-SUCH-CONTRACT}</UUID></Record></Delete>";
    char* error = NULL;
    CHECK(ovardx_data_key_import_xml_data_key(keys, admin, 3, kUnknown, &error) == 1);
    CHECK(error == NULL);
    CHECK(ovardx_data_key_import_xml_data_key(keys, admin, 9, kUnknown, &error) == 0);
    CHECK(Contains(error, "-2147221304"));
    ovardx_free(error);
    CHECK(ovardx_data_key_import_xml_data_key(keys, admin, 3, "<Delete><Record>", &error) == 0);
    CHECK(error != NULL);
    ovardx_free(error);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s DEMO-DATABASE\n", argv[0]);
        return 2;
    }
    snprintf(admin, sizeof admin,
             "ConnectString={Provider=SQLite;Data Source=%s};UserID=16;Setuptype=standard;Language=eng", argv[1]);
    snprintf(guest, sizeof guest,
             "ConnectString={Provider=SQLite;Data Source=%s};UserID=19;Setuptype=standard;Language=eng", argv[1]);

    ovardx_arap_plan* plan = NULL;
    ovardx_receive_bill* bill = NULL;
    ovardx_contract* contracts = NULL;
    ovardx_data_key* keys = NULL;
    char* error = NULL;
    CHECK(ovardx_arap_plan_create(&plan, &error) == 1 && plan != NULL && error == NULL);
    CHECK(ovardx_receive_bill_create(&bill, NULL) == 1);
    CHECK(ovardx_contract_create(&contracts, NULL) == 1);
    CHECK(ovardx_data_key_create(&keys, NULL) == 1);
    CHECK(ovardx_arap_plan_create(NULL, &error) == 0 && Contains(error, "NULL"));
    ovardx_free(error);
    if (failures > 0) return 1;

    const Export exports[] = {
        {"plan entries", plan, PlanPage},
        {"receive bills", bill, BillPage},
        {"contracts", contracts, ContractPage},
        {"receive bill deletions", keys, DeletionPage},
    };
    TestVersion();
    TestPagingMatchesOnePage(exports, sizeof exports / sizeof exports[0]);
    TestFailureOutArguments(plan);
    TestOptionalAndRequiredOutArguments(plan);
    TestFilter(plan);
    TestObjectBelongsToItsThread(plan);
    TestMessageHookAndExportProgress(contracts);
    TestContractImport(contracts);
    TestDeletionImport(keys);

    ovardx_arap_plan_release(plan);
    ovardx_receive_bill_release(bill);
    ovardx_contract_release(contracts);
    ovardx_data_key_release(keys);
    if (failures > 0) fprintf(stderr, "%d checks failed\n", failures);
    return failures > 0 ? 1 : 0;
}
