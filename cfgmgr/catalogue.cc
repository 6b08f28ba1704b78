#include "cfgmgr/catalogue.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace {

const size_t kDefaultMaxLength = 255;
const size_t kLongestText = 65535;

std::vector<std::string> splitWords(const std::string &line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

std::vector<std::string> splitCommas(const std::string &text) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
    return parts;
}

// The reader of one set of files. Statements are checked as they come; what refers to
// other statements (keys, references) once everything is read.
class Reader {
public:
    Reader(cfgCatalogue *out, std::string *why) : out_(out), why_(why) {}

    bool file(const cfgCatalogueFile &f) {
        std::istringstream lines(f.text);
        std::string line;
        module_.clear();
        object_ = -1;
        for (line_ = 1; std::getline(lines, line); line_++) {
            where_ = f.name + " line " + std::to_string(line_);
            std::vector<std::string> w = splitWords(line);
            if (w.empty() || w[0][0] == '#') continue;
            if (!statement(w, line)) return false;
        }
        return endObject();
    }

    bool finish() {
        for (size_t i = 0; i < out_->objects.size(); i++)
            if (!resolveReferences(out_->objects[i])) return false;
        return order();
    }

private:
    bool bad(const std::string &what) {
        *why_ = where_ + ": " + what;
        return false;
    }

    bool statement(const std::vector<std::string> &w, const std::string &line) {
        const std::string &verb = w[0];
        if (verb == "module") {
            if (w.size() != 2) return bad("module needs one name");
            if (!endObject()) return false;
            module_ = w[1];
            return true;
        }
        if (verb == "backend") {
            if (w.size() != 2) return bad("backend needs one module name");
            out_->backends.push_back(w[1]);
            return true;
        }
        if (verb == "object") return objectStatement(w);
        if (verb == "field") return fieldStatement(w);
        if (verb == "factory") {
            if (object_ < 0) return bad("factory row before any object");
            size_t at = line.find("factory") + 7;
            std::string text = line.substr(line.find_first_not_of(" \t", at));
            while (!text.empty() &&
                   (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
                text.pop_back();
            const cfgObjectDecl &o = out_->objects[size_t(object_)];
            if (o.kind != cfgKind::table && o.kind != cfgKind::single)
                return bad("factory rows belong to tables and singles");
            std::string open = "<" + o.name + ">", close = "</" + o.name + ">";
            if (text.compare(0, open.size(), open) != 0 || text.size() < close.size() ||
                text.compare(text.size() - close.size(), close.size(), close) != 0)
                return bad("a factory row is one " + o.name + " element");
            out_->factory.push_back(cfgFactoryRow{o.module, o.name, text, where_});
            return true;
        }
        return bad("unknown statement \"" + verb + "\"");
    }

    bool objectStatement(const std::vector<std::string> &w) {
        if (!endObject()) return false;
        if (module_.empty()) return bad("object before any module statement");
        if (w.size() < 3) return bad("object needs a name and a kind");
        cfgObjectDecl o;
        o.module = module_;
        o.name = w[1];
        o.where = where_;
        static const std::map<std::string, cfgKind> kinds = {
            {"table", cfgKind::table},       {"single", cfgKind::single},
            {"readonly", cfgKind::readonly}, {"canned", cfgKind::canned},
            {"view", cfgKind::view},         {"op", cfgKind::op},
        };
        auto kind = kinds.find(w[2]);
        if (kind == kinds.end()) return bad("unknown kind of object \"" + w[2] + "\"");
        o.kind = kind->second;
        for (size_t k = 3; k < w.size(); k += 2) {
            if (k + 1 >= w.size()) return bad("\"" + w[k] + "\" needs a value");
            if (w[k] == "keys")
                keyNames_ = splitCommas(w[k + 1]);
            else if (w[k] == "scope")
                scopeNames_ = splitCommas(w[k + 1]);
            else if (w[k] == "rows")
                o.rowsFile = w[k + 1];
            else
                return bad("unknown word \"" + w[k] + "\" of an object");
        }
        for (const cfgObjectDecl &other : out_->objects)
            if (other.module == o.module && other.name == o.name)
                return bad("object " + o.name + " given twice (first at " + other.where + ")");
        bool keyed = o.kind == cfgKind::table || o.kind == cfgKind::readonly;
        if (keyed && keyNames_.empty()) return bad("a " + w[2] + " needs keys");
        if ((o.kind == cfgKind::single || o.kind == cfgKind::op) && !keyNames_.empty())
            return bad("a " + w[2] + " has no keys");
        if ((o.kind == cfgKind::canned) != !o.rowsFile.empty())
            return bad("canned objects, and only they, name their rows file");
        objectWhere_ = where_;
        out_->objects.push_back(std::move(o));
        object_ = int(out_->objects.size()) - 1;
        return true;
    }

    // Keys and scope name fields, so they are resolved once the object's fields are in.
    bool endObject() {
        if (object_ < 0) return true;
        cfgObjectDecl &o = out_->objects[size_t(object_)];
        object_ = -1;
        std::string saved = where_;
        where_ = objectWhere_;
        for (const std::string &name : keyNames_) {
            int i = o.field(name);
            if (i < 0) return bad("key \"" + name + "\" is not a field of " + o.name);
            if (o.fields[size_t(i)].type->isAction) return bad("a row action cannot be a key");
            o.keys.push_back(size_t(i));
            o.fields[size_t(i)].required = true;
        }
        if (scopeNames_.size() > o.keys.size()) return bad("the scope is longer than the keys");
        for (size_t k = 0; k < scopeNames_.size(); k++)
            if (scopeNames_[k] != o.fields[o.keys[k]].name)
                return bad("the scope must be the first keys, in order");
        o.scope = scopeNames_.size();
        keyNames_.clear();
        scopeNames_.clear();
        where_ = saved;
        return true;
    }

    bool fieldStatement(const std::vector<std::string> &w) {
        if (object_ < 0) return bad("field before any object");
        cfgObjectDecl &o = out_->objects[size_t(object_)];
        if (w.size() < 3) return bad("field needs a name and a type");
        if (o.field(w[1]) >= 0 || w[1] == "rowStatus")
            return bad("field \"" + w[1] + "\" given twice");
        cfgFieldDecl f;
        f.name = w[1];
        f.line = line_;
        f.type = cfgTypeFind(w[2]);
        if (!f.type) return bad("unknown type \"" + w[2] + "\"");
        f.maxLength = f.type->isText ? kDefaultMaxLength : 0;
        for (size_t k = 3; k < w.size(); k++)
            if (!check(f, w, &k)) return false;
        if (f.cascade && f.refModule.empty()) return bad("cascade needs a ref");
        if (f.moves && !f.type->isPortList) return bad("only port lists move");
        if (f.hasDefault && f.type->isText && f.defaultText.size() > f.maxLength)
            return bad("the default is longer than maxlen");
        if (f.hasDefault && f.hasRange) {
            std::string text;
            uint64_t order = 0;
            cfgTypeRead(*f.type, f.defaultText, &text, &order);
            if (order < f.low || order > f.high) return bad("the default is out of range");
        }
        o.fields.push_back(std::move(f));
        return true;
    }

    bool value(const cfgFieldDecl &f, const std::string &text, std::string *canonical,
               uint64_t *order) {
        if (cfgTypeRead(*f.type, text, canonical, order) == 0) return true;
        return bad("\"" + text + "\" is not a value of type " + f.type->name);
    }

    bool check(cfgFieldDecl &f, const std::vector<std::string> &w, size_t *k) {
        const std::string &c = w[*k];
        auto argument = [&](std::string *out) {
            if (*k + 1 >= w.size()) return bad("\"" + c + "\" needs a value");
            *out = w[++*k];
            return true;
        };
        std::string a, b;
        if (c == "required") {
            f.required = true;
        } else if (c == "unique") {
            f.unique = true;
        } else if (c == "cascade") {
            f.cascade = true;
        } else if (c == "moves") {
            f.moves = true;
        } else if (c == "range") {
            if (!f.type->numeric || f.type->isAction) return bad("range needs a numeric type");
            if (!argument(&a) || !argument(&b)) return false;
            f.hasRange = true;
            if (!value(f, a, &f.lowText, &f.low) || !value(f, b, &f.highText, &f.high))
                return false;
            if (f.low > f.high) return bad("the range is empty");
        } else if (c == "maxlen") {
            if (!f.type->isText) return bad("maxlen needs a text type");
            if (!argument(&a)) return false;
            char *end;
            unsigned long n = strtoul(a.c_str(), &end, 10);
            if (*end || a.empty() || n < 1 || n > kLongestText)
                return bad("maxlen needs a number from 1 to " + std::to_string(kLongestText));
            f.maxLength = n;
        } else if (c == "default") {
            if (!argument(&a)) return false;
            uint64_t order;
            if (!value(f, a, &f.defaultText, &order)) return false;
            f.hasDefault = true;
        } else if (c == "ref") {
            if (!argument(&a)) return false;
            size_t first = a.find('/'), last = a.rfind('/');
            if (first == std::string::npos || first == last || first == 0 || last + 1 == a.size())
                return bad("ref needs module/object/field");
            f.refModule = a.substr(0, first);
            f.refObject = a.substr(first + 1, last - first - 1);
            f.refField = a.substr(last + 1);
        } else {
            return bad("unknown check \"" + c + "\"");
        }
        return true;
    }

    const cfgObjectDecl *find(const std::string &module, const std::string &name) const {
        for (const cfgObjectDecl &o : out_->objects)
            if (o.module == module && o.name == name) return &o;
        return nullptr;
    }

    bool resolveReferences(const cfgObjectDecl &o) {
        for (const cfgFieldDecl &f : o.fields) {
            if (f.refModule.empty()) continue;
            where_ = o.where.substr(0, o.where.find(" line ")) + " line " + std::to_string(f.line);
            const cfgObjectDecl *target = find(f.refModule, f.refObject);
            if (!target)
                return bad("ref names object " + f.refModule + "/" + f.refObject +
                           ", which is not declared");
            int tf = target->field(f.refField);
            if (tf < 0)
                return bad("ref names field " + f.refField + ", which " + target->name +
                           " does not have");
            if (target->fields[size_t(tf)].type != f.type)
                return bad("ref names a field of another type");
            if (target->kind == cfgKind::view || target->kind == cfgKind::op)
                return bad("ref names an object without stored rows");
        }
        for (const cfgFactoryRow &row : out_->factory)
            if (!find(row.module, row.object)) return bad("factory row of an unknown object");
        return true;
    }

    // Objects in an order in which every object comes after those it refers to (kept
    // as declared where references allow), and factory rows in the same order.
    bool order() {
        std::vector<cfgObjectDecl> &objects = out_->objects;
        std::vector<cfgObjectDecl> sorted;
        std::vector<bool> placed(objects.size(), false);
        while (sorted.size() < objects.size()) {
            bool progress = false;
            for (size_t i = 0; i < objects.size(); i++) {
                if (placed[i] || !referencesPlaced(objects[i], objects, placed)) continue;
                placed[i] = true;
                sorted.push_back(objects[i]);
                progress = true;
            }
            if (!progress) {
                for (size_t i = 0; i < objects.size(); i++)
                    if (!placed[i]) {
                        where_ = objects[i].where;
                        return bad("references of " + objects[i].name + " go round in a circle");
                    }
            }
        }
        objects = std::move(sorted);
        auto position = [&](const cfgFactoryRow &row) {
            for (size_t i = 0; i < objects.size(); i++)
                if (objects[i].module == row.module && objects[i].name == row.object) return i;
            return objects.size();
        };
        std::stable_sort(out_->factory.begin(), out_->factory.end(),
                         [&](const cfgFactoryRow &a, const cfgFactoryRow &b) {
                             return position(a) < position(b);
                         });
        return true;
    }

    static bool referencesPlaced(const cfgObjectDecl &o, const std::vector<cfgObjectDecl> &all,
                                 const std::vector<bool> &placed) {
        for (const cfgFieldDecl &f : o.fields) {
            if (f.refModule.empty() || (f.refModule == o.module && f.refObject == o.name)) continue;
            for (size_t j = 0; j < all.size(); j++)
                if (all[j].module == f.refModule && all[j].name == f.refObject && !placed[j])
                    return false;
        }
        return true;
    }

    cfgCatalogue *out_;
    std::string *why_;
    std::string module_, where_, objectWhere_;
    int line_ = 0;
    int object_ = -1;
    std::vector<std::string> keyNames_, scopeNames_;
};

}  // namespace

int cfgObjectDecl::field(const std::string &name) const {
    for (size_t i = 0; i < fields.size(); i++)
        if (fields[i].name == name) return int(i);
    return -1;
}

bool cfgObjectDecl::isKey(size_t index) const {
    return std::find(keys.begin(), keys.end(), index) != keys.end();
}

int cfgCatalogueParse(const std::vector<cfgCatalogueFile> &files, cfgCatalogue *out,
                      std::string *why) {
    *out = cfgCatalogue();
    Reader reader(out, why);
    for (const cfgCatalogueFile &f : files)
        if (!reader.file(f)) return -1;
    return reader.finish() ? 0 : -1;
}

bool cfgReadFile(const std::string &path, std::string *text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream s;
    s << in.rdbuf();
    *text = s.str();
    return !in.bad();
}

int cfgCatalogueFiles(const std::string &dir, std::vector<cfgCatalogueFile> *files,
                      std::string *why) {
    files->clear();
    std::string folder = dir + "/catalogue";
    DIR *d = opendir(folder.c_str());
    if (!d) {
        *why = "cannot read the catalogue folder " + folder;
        return -1;
    }
    std::vector<std::string> names;
    while (dirent *e = readdir(d))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        cfgCatalogueFile f{"catalogue/" + name, ""};
        if (!cfgReadFile(folder + "/" + name, &f.text)) {
            *why = "cannot read " + folder + "/" + name;
            return -1;
        }
        files->push_back(std::move(f));
    }
    if (files->empty()) {
        *why = "the catalogue folder " + folder + " is empty";
        return -1;
    }
    return 0;
}
