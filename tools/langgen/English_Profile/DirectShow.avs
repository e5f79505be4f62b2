DirectShowSource("<%InputFile%>")
