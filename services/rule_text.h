// Rule records and the rule language (cfgmgmt/rules): the writer that turns ACL and
// Tripwatch rule records into rule text, and the statement mappers that turn the
// statements the configuration manager reads back into records again.
#pragma once
#include <string>
#include <vector>

struct soap;
class qtn__Policy_AclAction;
class qtn__Policy_AclCondition;
class qtn__Policy_AclRuleSequence;
class qtn__Policy_TripwatchAction;
class qtn__Policy_TripwatchMatch;
class qtn__Policy_TripwatchRuleSequence;

// Appends the entries of the ACL rules, then those of the Tripwatch rules (either
// sequence may be null; a Tripwatch rule without match is left out); with `comments`
// each entry is preceded by its comment line ("# Acl entry NAME"). Values are written as
// they are. A record that cannot be written so that it reads back as given (a name or
// value the language cannot hold, an unknown code, an action without its parts) is
// refused: 0, or -1 with *why naming the rule and nothing appended.
int wsvdRuleTextWrite(std::string *out, const qtn__Policy_AclRuleSequence *acl,
                      const qtn__Policy_TripwatchRuleSequence *tripwatch, bool comments,
                      std::string *why);

// Statement mappers: each fills the record from one statement (values are copied into
// the SOAP context) and returns true when it knows the keyword and could read the
// value. A later statement with the same keyword replaces the earlier value.
bool wsvdAclConditionMap(struct soap *soap, qtn__Policy_AclCondition *match, const char *keyword,
                         const char *value);
bool wsvdAclActionMap(struct soap *soap, qtn__Policy_AclAction *action, const char *keyword,
                      const char *value);
// A Tripwatch match holds at most 32 conditions and a response at most 32 actions;
// statements beyond are not mapped.
enum { WSVD_TRIPWATCH_MAX = 32 };
bool wsvdTripwatchConditionMap(struct soap *soap, qtn__Policy_TripwatchMatch *match,
                               const char *keyword, const char *value);
bool wsvdTripwatchActionMap(struct soap *soap, std::vector<qtn__Policy_TripwatchAction> *actions,
                            const char *keyword, const char *value);
