-- The guide's pages, read in order, become one HTML page: each page's title takes its
-- file's name as its anchor, and a link to another page (or to a heading in it)
-- becomes a link within the one page.
local pages = {}
for i, file in ipairs(PANDOC_STATE.input_files) do
  pages[i] = file:match("([^/]+)%.md$")
end

local titles = 0
function Header(header)
  if header.level == 1 then
    titles = titles + 1
    header.identifier = pages[titles]
  end
  return header
end

function Link(link)
  local page, heading = link.target:match("^([%w%-]+)%.md(.*)$")
  if page then
    link.target = heading ~= "" and heading or "#" .. page
  end
  return link
end
