// What building the object registry costs at start-up, over the schema files the SOAP
// service generates and over the metadata the build installs: the schema reader with the
// object information of all 55 objects, against parsing the same files into DOM trees
// alone.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "framework/xmlfwk_info.h"
#include "framework/xmlfwk_registry.h"
#include "framework/xmlfwk_tables.h"
#include "platform/xmldom.h"
#include "platform/xmldom_schema.h"

namespace {

const std::vector<std::string> &files() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> v;
        if (DIR *d = opendir(WSVD_SOAP_SCHEMA_DIR)) {
            while (dirent *e = readdir(d))
                if (std::string n = e->d_name; n.size() > 4 && n.ends_with(".xsd")) v.push_back(n);
            closedir(d);
        }
        return v;
    }();
    return all;
}

int64_t totalBytes() {
    int64_t n = 0;
    for (const std::string &f : files()) {
        struct stat st;
        if (stat((std::string(WSVD_SOAP_SCHEMA_DIR) + "/" + f).c_str(), &st) == 0) n += st.st_size;
    }
    return n;
}

void BM_DomParseAlone(benchmark::State &state) {
    for (auto _ : state) {
        for (const std::string &f : files()) {
            xmlDomNode_t *doc =
                xmlDomParseXmlFile((std::string(WSVD_SOAP_SCHEMA_DIR) + "/" + f).c_str());
            if (!doc) state.SkipWithError(f.c_str());
            xmlDomFreeParserData(doc);
        }
    }
    state.SetBytesProcessed(state.iterations() * totalBytes());
}

void BM_SchemaAndObjectInfo(benchmark::State &state) {
    std::vector<const char *> names;
    for (const std::string &f : files()) names.push_back(f.c_str());
    int described = 0;
    for (auto _ : state) {
        xmlSchema_t *schema = xmlSchemaParse(names.data(), int(names.size()), WSVD_SOAP_SCHEMA_DIR);
        if (!schema) state.SkipWithError("schema refused");
        described = 0;
        for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++) {
            xmlFwkObjectInfo_t *info = xmlFwkBuildObjectInfo(schema, r->name, XML_FWK_CONTAINER);
            described += info != nullptr;
            xmlFwkFreeObjectInfo(info);
        }
        xmlSchemaFree(schema);
    }
    state.counters["objects"] = described;
    state.SetBytesProcessed(state.iterations() * totalBytes());
}

// What start-up does with the metadata the build installs: the registry built from its
// flattened, annotated files and the value mapper, against parsing those files alone.
const char kMetadataDir[] = WSVD_DATA_DIR "/config/www/api/xsd";

void BM_DomParseMetadata(benchmark::State &state) {
    std::vector<std::string> names;
    if (DIR *d = opendir(kMetadataDir)) {
        while (dirent *e = readdir(d))
            if (std::string n = e->d_name; n.ends_with(".xsd") || n.ends_with(".xml"))
                names.push_back(std::string(kMetadataDir) + "/" + n);
        closedir(d);
    }
    for (auto _ : state) {
        for (const std::string &path : names) {
            xmlDomNode_t *doc = xmlDomParseXmlFile(path.c_str());
            if (!doc) state.SkipWithError(path.c_str());
            xmlDomFreeParserData(doc);
        }
    }
}

void BM_RegistryFromMetadata(benchmark::State &state) {
    int described = 0;
    for (auto _ : state) {
        if (xmlFwkInit(kMetadataDir) != 1) state.SkipWithError("metadata refused");
        described = 0;
        for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++)
            described += xmlFwkGetObjectInfo(r->name, XML_FWK_CONTAINER) != nullptr;
        xmlFwkFree();
    }
    state.counters["objects"] = described;
}

}  // namespace

BENCHMARK(BM_DomParseAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SchemaAndObjectInfo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DomParseMetadata)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegistryFromMetadata)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
