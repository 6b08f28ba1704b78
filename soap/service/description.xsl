<?xml version="1.0" encoding="UTF-8"?>
<!--
  Turns the WSDL and XSD files that soapcpp2 writes into the service description the
  switch serves. The build runs it once over each generated file (xsltproc); the output
  depends only on the input, so a changed service definition regenerates cleanly.

  What soapcpp2 gets wrong, and what it cannot say:

  1. A derived complex type gets its attributes beside <complexContent> instead of
     inside its <extension>, which no schema processor accepts. They are moved to the
     end of the extension (restriction), where the schema language puts them.

  2. A wildcard that follows a repeated element ("child", then any further elements)
     is ambiguous in XML Schema 1.0: a second "child" may be either. No 1.0 content
     model accepts exactly the same documents while keeping the list typed, so such a
     wildcard admits elements of other namespaces only (##other). The server reads
     these types as before; only the schema is stricter after the list.

  3. The SOAP Header message lists one part per member of the header record: "hdr"
     (element com:hdr), the same element once more for the qualified spelling the
     server also reads, and the header's wildcard as a part named "-any". The header
     message keeps "hdr" alone, and every operation's input declares it as its
     soap:header, so that clients built from the WSDL send the session id.

  4. soapcpp2 writes one binding, SOAP 1.1. A SOAP 1.2 binding of the same operations
     follows it, with a port of its own at the same address.
-->
<xsl:stylesheet version="1.0"
    xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns:xs="http://www.w3.org/2001/XMLSchema"
    xmlns:wsdl="http://schemas.xmlsoap.org/wsdl/"
    xmlns:SOAP="http://schemas.xmlsoap.org/wsdl/soap/"
    xmlns:SOAP12="http://schemas.xmlsoap.org/wsdl/soap12/"
    exclude-result-prefixes="xs wsdl">

  <xsl:output method="xml" encoding="UTF-8" indent="yes"/>
  <xsl:strip-space elements="*"/>

  <!-- The name of the SOAP 1.2 binding and of its port. -->
  <xsl:variable name="soap12Suffix" select="'Soap12'"/>

  <!-- Everything else is copied as it is. -->
  <xsl:template match="@*|node()">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
    </xsl:copy>
  </xsl:template>

  <!-- 1. Attributes of a derived type move into its extension (or restriction). -->
  <!-- soapcpp2 follows each declaration with a comment naming its source; the
       comment moves with it. -->
  <xsl:template match="xs:complexType[xs:complexContent]/*[self::xs:attribute
                                                           or self::xs:attributeGroup
                                                           or self::xs:anyAttribute]
                       | xs:complexType[xs:complexContent]/comment()
                           [preceding-sibling::*[1][self::xs:attribute
                                                    or self::xs:attributeGroup
                                                    or self::xs:anyAttribute]]"/>

  <xsl:template match="xs:complexContent/xs:extension | xs:complexContent/xs:restriction">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
      <xsl:for-each select="../../xs:attribute | ../../xs:attributeGroup | ../../xs:anyAttribute">
        <xsl:copy-of select=". | following-sibling::node()[1][self::comment()]"/>
      </xsl:for-each>
    </xsl:copy>
  </xsl:template>

  <!-- 2. A wildcard right after a repeated element admits other namespaces only. -->
  <xsl:template match="xs:any[not(@namespace) or @namespace = '##any']
                             [preceding-sibling::*[1][self::xs:element]
                                                  [@maxOccurs = 'unbounded' or @maxOccurs &gt; 1]]">
    <xsl:comment> other namespaces only: a further "<xsl:value-of select="preceding-sibling::xs:element[1]/@name"/>" would be ambiguous </xsl:comment>
    <xsl:copy>
      <xsl:apply-templates select="@*"/>
      <xsl:attribute name="namespace">##other</xsl:attribute>
      <xsl:apply-templates select="node()"/>
    </xsl:copy>
  </xsl:template>

  <!-- 3. The header message keeps one part per element, and only named ones. -->
  <xsl:template match="wsdl:message/wsdl:part[starts-with(@name, '-')
                                              or @name = preceding-sibling::wsdl:part/@name]"/>

  <xsl:variable name="headerMessage"
                select="/wsdl:definitions/wsdl:message[wsdl:part/@element = 'com:hdr']/@name"/>

  <xsl:template match="wsdl:binding/wsdl:operation/wsdl:input">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
      <SOAP:header message="tns:{$headerMessage}" part="hdr" use="literal"/>
    </xsl:copy>
  </xsl:template>

  <!-- 4. The SOAP 1.2 binding and its port. -->
  <xsl:template match="wsdl:definitions">
    <xsl:copy>
      <xsl:copy-of select="document('')/xsl:stylesheet/namespace::SOAP12"/>
      <xsl:apply-templates select="@*|node()"/>
    </xsl:copy>
  </xsl:template>

  <xsl:template match="wsdl:binding">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
    </xsl:copy>
    <xsl:copy>
      <xsl:apply-templates select="@*" mode="soap12"/>
      <xsl:apply-templates select="node()" mode="soap12"/>
    </xsl:copy>
  </xsl:template>

  <xsl:template match="wsdl:service/wsdl:port">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
    </xsl:copy>
    <xsl:copy>
      <xsl:apply-templates select="@*" mode="soap12"/>
      <xsl:apply-templates select="node()" mode="soap12"/>
    </xsl:copy>
  </xsl:template>

  <!-- In the SOAP 1.2 copy, the binding and port names take the suffix, and every
       SOAP 1.1 binding element becomes its SOAP 1.2 twin. -->
  <xsl:template mode="soap12" match="wsdl:binding/@name | wsdl:port/@name">
    <xsl:attribute name="name">
      <xsl:value-of select="concat(., $soap12Suffix)"/>
    </xsl:attribute>
  </xsl:template>

  <xsl:template mode="soap12" match="wsdl:port/@binding">
    <xsl:attribute name="binding">
      <xsl:value-of select="concat(., $soap12Suffix)"/>
    </xsl:attribute>
  </xsl:template>

  <xsl:template mode="soap12" match="SOAP:*">
    <xsl:element name="SOAP12:{local-name()}">
      <xsl:apply-templates select="@*|node()" mode="soap12"/>
    </xsl:element>
  </xsl:template>

  <xsl:template mode="soap12" match="wsdl:binding/wsdl:operation/wsdl:input">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()" mode="soap12"/>
      <SOAP12:header message="tns:{$headerMessage}" part="hdr" use="literal"/>
    </xsl:copy>
  </xsl:template>

  <xsl:template mode="soap12" match="@*|node()">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()" mode="soap12"/>
    </xsl:copy>
  </xsl:template>
</xsl:stylesheet>
