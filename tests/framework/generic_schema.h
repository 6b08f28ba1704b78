// A small schema of external objects for the registry's and the generic operations'
// tests and fuzz target: VlanConfig (two index fields, a write-only field typed
// differently inside, a nested field in a second internal object), VirtualRouter (one
// index field, an enumeration), SwitchInfo (no index), PasswordPolicy (nothing
// settable), Fan (no internal object) and PortConfig (a port list given as slot and
// port, values the value mapper translates).
#pragma once
#include <string>

// The namespaces of the operations on these objects.
inline const std::string kGenericNs = " xmlns:sw=\"" WSVD_SCHEMA_BASE_URI
                                      "/XMLSchema/qtn/switch\""
                                      " xmlns:vlan=\"" WSVD_SCHEMA_BASE_URI
                                      "/XMLSchema/qtn/vlan\""
                                      " xmlns:system=\"" WSVD_SCHEMA_BASE_URI
                                      "/XMLSchema/qtn/system\""
                                      " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"";

inline const char kGenericSchema[] = R"(<schema xmlns="http://www.w3.org/2001/XMLSchema"
    xmlns:t="urn:t" targetNamespace="urn:t">
  <simpleType name="TrueFalse"><restriction base="string">
    <enumeration value="unknown"/><enumeration value="true"/><enumeration value="false"/>
  </restriction></simpleType>
  <simpleType name="Speeds"><restriction base="string">
    <enumeration value="100"/><enumeration value="AUTO"/>
  </restriction></simpleType>
  <complexType name="AccessObject"><choice>
    <element name="vlanConfig" type="t:VlanConfig"/>
    <element name="switchInfo" type="t:SwitchInfo"/>
    <element name="virtualRouter" type="t:VirtualRouter"/>
    <element name="passwordPolicy" type="t:PasswordPolicy"/>
    <element name="fan" type="t:Fan"/>
    <element name="portConfig" type="t:PortConfig"/>
  </choice></complexType>
  <complexType name="VlanConfig">
    <annotation><appinfo>
      <module>vlan</module><internalObject>vlan</internalObject>
      <nameinfo extName="queryParameters" access="QUERY"/>
      <nameinfo extName="vrName" access="INDEX READ WRITE"/>
      <nameinfo extName="name" access="INDEX READ WRITE"/>
      <nameinfo extName="tagValue" variable="tag" access="READ WRITE"/>
      <nameinfo extName="ipForwarding" access="READ WRITE"/>
      <nameinfo extName="count" variable="portCount" access="READ"/>
      <nameinfo extName="secret" access="WRITE"><typeMap extType="string" intType="octet"/></nameinfo>
    </appinfo></annotation>
    <sequence>
      <element name="queryParameters" type="string"/>
      <element name="vrName" type="string"/>
      <element name="name" type="string"/>
      <element name="tagValue" type="string"/>
      <element name="ipForwarding" type="t:TrueFalse"/>
      <element name="count" type="int"/>
      <element name="secret" type="string"/>
      <element name="address">
        <annotation><appinfo><internalObject>vlanIpAddress</internalObject>
          <nameinfo extName="ip" variable="ipaddress" access="READ WRITE"/>
          <nameinfo extName="mask" variable="netmask" access="READ WRITE"/>
        </appinfo></annotation>
        <complexType><sequence>
          <element name="ip" type="string"/><element name="mask" type="string"/>
        </sequence></complexType>
      </element>
      <element name="extension" type="string"/>
    </sequence>
  </complexType>
  <complexType name="VirtualRouter">
    <annotation><appinfo><module>vr</module><internalObject>vr</internalObject>
      <nameinfo extName="queryParameters" access="QUERY"/>
      <nameinfo extName="name" access="INDEX READ WRITE"/>
      <nameinfo extName="vrId" access="READ WRITE"/>
      <nameinfo extName="state" variable="adminState" access="READ WRITE"/>
    </appinfo></annotation>
    <sequence>
      <element name="queryParameters" type="string"/>
      <element name="name" type="string"/>
      <element name="vrId" type="string"/>
      <element name="state" type="t:TrueFalse"/>
      <element name="description" type="string"/>
    </sequence>
  </complexType>
  <complexType name="SwitchInfo">
    <annotation><appinfo><module>system</module><internalObject>dm_system</internalObject>
      <nameinfo extName="sysName" access="READ WRITE"/>
      <nameinfo extName="uptime" access="READ"/>
    </appinfo></annotation>
    <sequence><element name="sysName" type="string"/><element name="uptime" type="string"/>
    </sequence>
  </complexType>
  <complexType name="PasswordPolicy">
    <annotation><appinfo><module>aaa</module><internalObject>acctPasswordSecurity</internalObject>
      <nameinfo extName="minLength" access="READ"/>
    </appinfo></annotation>
    <sequence><element name="minLength" type="int"/></sequence>
  </complexType>
  <complexType name="Fan">
    <sequence><element name="speed" type="int"/></sequence>
  </complexType>
  <complexType name="PortConfig">
    <annotation><appinfo><module>ports</module><internalObject>ports</internalObject>
      <nameinfo extName="portList" variable="slot,port" access="INDEX"><special/></nameinfo>
    </appinfo></annotation>
    <sequence>
      <element name="portList" type="string"/><element name="speed" type="t:Speeds"/>
      <element name="state" type="string"/>
    </sequence>
  </complexType>
</schema>)";
