// A small schema of external objects for the generic operations' tests and fuzz
// target: VlanConfig (two index fields, a nested field in a second internal object),
// VirtualRouter (one index field, an enumeration), SwitchInfo (no index), PasswordPolicy
// (nothing settable) and Fan (no internal object).
#pragma once

inline const char kGenericSchema[] = R"(<schema xmlns="http://www.w3.org/2001/XMLSchema"
    xmlns:t="urn:t" targetNamespace="urn:t">
  <simpleType name="TrueFalse"><restriction base="string">
    <enumeration value="unknown"/><enumeration value="true"/><enumeration value="false"/>
  </restriction></simpleType>
  <complexType name="AccessObject"><choice>
    <element name="vlanConfig" type="t:VlanConfig"/>
    <element name="switchInfo" type="t:SwitchInfo"/>
    <element name="virtualRouter" type="t:VirtualRouter"/>
    <element name="passwordPolicy" type="t:PasswordPolicy"/>
    <element name="fan" type="t:Fan"/>
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
    </appinfo></annotation>
    <sequence>
      <element name="queryParameters" type="string"/>
      <element name="vrName" type="string"/>
      <element name="name" type="string"/>
      <element name="tagValue" type="string"/>
      <element name="ipForwarding" type="t:TrueFalse"/>
      <element name="count" type="int"/>
      <element name="address">
        <annotation><appinfo><internalObject>vlanIpAddress</internalObject>
          <nameinfo extName="ip" variable="ipaddress" access="READ WRITE"/>
          <nameinfo extName="mask" variable="netmask" access="READ WRITE"/>
        </appinfo></annotation>
        <complexType><sequence>
          <element name="ip" type="string"/><element name="mask" type="string"/>
        </sequence></complexType>
      </element>
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
</schema>)";
