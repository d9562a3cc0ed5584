/* Pages through the receivable plan entries of an ERP database with the C
 * interface, as the web-service user (17), and says how many there were.
 * Usage: plan_pages_c DATABASE */
#include <stdio.h>
#include <string.h>

#include <ovardx/ovardx.h>

static long CountRecords(const char* xml) {
    long count = 0;
    for (const char* at = xml; (at = strstr(at, "<Record>")) != NULL; ++at) ++count;
    return count;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s DATABASE\n", argv[0]);
        return 2;
    }
    if (strcmp(ovardx_libversion(), OVARDX_VERSION) != 0) {
        fprintf(stderr, "header %s, library %s\n", OVARDX_VERSION, ovardx_libversion());
        return 1;
    }
    char props[4096];
    snprintf(props, sizeof props,
             "ConnectString={Provider=SQLite;Data Source=%s};UserID=17;Setuptype=standard;Language=eng", argv[1]);

    ovardx_arap_plan* plan = NULL;
    char* error = NULL;
    if (!ovardx_arap_plan_create(&plan, &error)) {
        fprintf(stderr, "%s\n", error);
        ovardx_free(error);
        return 1;
    }
    char* bound = NULL; /* from the beginning */
    long records = 0, pages = 0;
    int ok = 1;
    for (;;) {
        char *xml = NULL, *next = NULL;
        ok = ovardx_arap_plan_export(plan, props, &xml, 50, bound, &next, NULL, &error);
        const int done = !ok || strcmp(next, "0x0000000000000000") == 0;
        if (!done) {
            records += CountRecords(xml);
            ++pages;
        }
        ovardx_free(xml);
        ovardx_free(bound);
        bound = next; /* a failed call hands the bound back unchanged */
        if (done) break;
    }
    ovardx_free(bound);
    ovardx_arap_plan_release(plan);
    if (!ok) {
        fprintf(stderr, "%s\n", error);
        ovardx_free(error);
        return 1;
    }
    printf("%ld plan entries in %ld pages\n", records, pages);
    return 0;
}
