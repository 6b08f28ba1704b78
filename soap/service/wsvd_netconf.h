// NETCONF base 1.0 in soapcpp2 notation (imported by wsvd_service.h.in): the rpc
// envelope, its reply and error, hello, and the protocol operations with their source
// and target types. Inline content (filters, configurations, data) and the operation
// carried by an rpc are wildcards held as DOM trees: the NETCONF handler reads them.

// Empty marker elements: <running/>, <candidate/>, <startup/>, <ok/>.
class netb__configNameType {
  public:
};

class netb__configURIType {
  public:
    std::string __item;
};

class netb__filterInlineType {
  public:
    @netb__FilterType *type 0;
    @xsd__anyAttribute __anyAttribute;
    std::vector<xsd__anyType> __any;
};

class netb__configInlineType {
  public:
    std::vector<xsd__anyType> __any;
};

class netb__dataInlineType {
  public:
    std::vector<xsd__anyType> __any;
};

class netb__getConfigSourceType {
  public:
    $int __union_source;
    union _netb__getConfigSourceType_union {
        netb__configNameType *candidate;
        netb__configNameType *running;
        netb__configNameType *startup;
    } union_source;
};

class netb__rpcOperationSourceType {
  public:
    $int __union_source;
    union _netb__rpcOperationSourceType_union {
        netb__configInlineType *config;
        netb__configNameType *candidate;
        netb__configNameType *running;
        netb__configNameType *startup;
        netb__configURIType *url;
    } union_source;
};

class netb__rpcOperationTargetType {
  public:
    $int __union_target;
    union _netb__rpcOperationTargetType_union {
        netb__configNameType *candidate;
        netb__configNameType *running;
        netb__configNameType *startup;
        netb__configURIType *url;
    } union_target;
};

class netb__getType {
  public:
    netb__filterInlineType *filter 0;
};

class netb__getConfigType {
  public:
    netb__getConfigSourceType *source 1;
    netb__filterInlineType *filter 0;
};

class netb__editConfigType {
  public:
    netb__rpcOperationTargetType *target 1;
    netb__defaultOperationType *default_operation 0;
    netb__testOptionType *test_option 0;
    netb__errorOptionType *error_option 0;
    netb__configInlineType *config 0;
    netb__configURIType *url 0;
};

class netb__copyConfigType {
  public:
    netb__rpcOperationTargetType *target 1;
    netb__rpcOperationSourceType *source 1;
};

class netb__deleteConfigType {
  public:
    netb__rpcOperationTargetType *target 1;
};

class netb__lockType {
  public:
    netb__rpcOperationTargetType *target 1;
};

class netb__unlockType {
  public:
    netb__rpcOperationTargetType *target 1;
};

class netb__closeSessionType {
  public:
};

class netb__killSessionType {
  public:
    netb__SessionId session_id 1;
};

class netb__commitType {
  public:
    netb__configNameType *confirmed 0;
    unsigned int *confirm_timeout 0;
};

class netb__discardChangesType {
  public:
};

class netb__validateType {
  public:
    netb__rpcOperationSourceType *source 1;
};

class netb__rpcErrorType {
  public:
    netb__ErrorType error_type 1;
    netb__ErrorTag error_tag 1;
    netb__ErrorSeverity error_severity 1;
    std::string *error_app_tag 0;
    std::string *error_path 0;
    std::string *error_message 0;
    xsd__anyType *error_info 0;
};

// The rpc: a message id, any other attributes, and one operation element.
class netb__rpcType {
  public:
    @std::string *message_id 0;
    @xsd__anyAttribute __anyAttribute;
    std::vector<xsd__anyType> __any;
};

// The reply: the request's attributes copied back, and content that the handler
// composes as XML text (<ok/>, <data>...</data> or <rpc-error>...</rpc-error>),
// written out unchanged.
class netb__rpcReplyType {
  public:
    @std::string *message_id 0;
    @xsd__anyAttribute __anyAttribute;
    _XML __content;
};

class netb__capabilitiesType {
  public:
    std::vector<std::string> capability 1;
};

// Elements of the NETCONF namespace (a leading underscore declares an element).
class _netb__hello {
  public:
    netb__capabilitiesType *capabilities 1;
    netb__SessionId *session_id 0;
};
class _netb__rpc_reply : public netb__rpcReplyType {
  public:
};
class _netb__rpc_error : public netb__rpcErrorType {
  public:
};
class _netb__get : public netb__getType {
  public:
};
class _netb__get_config : public netb__getConfigType {
  public:
};
class _netb__edit_config : public netb__editConfigType {
  public:
};
class _netb__copy_config : public netb__copyConfigType {
  public:
};
class _netb__delete_config : public netb__deleteConfigType {
  public:
};
class _netb__lock : public netb__lockType {
  public:
};
class _netb__unlock : public netb__unlockType {
  public:
};
class _netb__close_session : public netb__closeSessionType {
  public:
};
class _netb__kill_session : public netb__killSessionType {
  public:
};
class _netb__commit : public netb__commitType {
  public:
};
class _netb__discard_changes : public netb__discardChangesType {
  public:
};
class _netb__validate : public netb__validateType {
  public:
};
class _netb__ok : public netb__configNameType {
  public:
};
class _netb__data : public netb__dataInlineType {
  public:
};
