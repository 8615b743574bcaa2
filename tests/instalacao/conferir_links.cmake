# conferir_links(PASTA): every Markdown document installed in PASTA links only to files installed
# beside it: each link's target that is neither a web address nor a place in the document itself
# exists, relative to PASTA. (falhar() is the including script's.)
function(conferir_links pasta)
  file(GLOB documentos ${pasta}/*.md)
  foreach(documento IN LISTS documentos)
    file(READ ${documento} texto)
    # Each "](" marked without a bracket first: a bracket in a list item hides the ; after it.
    string(REPLACE "](" " ALVO:" texto "${texto}")
    string(REGEX MATCHALL " ALVO:[^)# \n]*" links "${texto}")
    foreach(link IN LISTS links)
      string(REPLACE " ALVO:" "" alvo "${link}")
      if(alvo AND NOT alvo MATCHES "^[a-z]+:" AND NOT EXISTS ${pasta}/${alvo})
        falhar("${documento} links to ${alvo}, which is not installed beside it")
      endif()
    endforeach()
  endforeach()
endfunction()
