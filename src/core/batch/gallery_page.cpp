#include "core/batch/gallery_page.h"

#include "core/batch/image_batch.h"

#include <system_error>

namespace lirovane {

GalleryPage::GalleryPage(const std::filesystem::path& file, std::string_view sequenceFile, int size, int count)
    : m_file(file)
{
    m_file.Write("<html><body><br>Sequence file: ");
    m_file.Write(HtmlEscape(sequenceFile));
    m_file.Write("<br>\r\n");
    m_file.Write("Consensus size: " + std::to_string(size) + "<br>\r\n");
    m_file.Write("Number of repeats: " + std::to_string(count) + "<br>\r\n");
    m_file.Write("<table><tr>");
}

GalleryPage::GalleryPage(const std::filesystem::path& file, std::string_view sequenceFile,
                         const std::vector<std::string>& lines)
    : m_file(file)
{
    m_file.Write("<html><body><br>Sequence file: ");
    m_file.Write(HtmlEscape(sequenceFile));
    m_file.Write("<br>\r\n");
    for (const std::string& line : lines)
        m_file.Write(HtmlEscape(line) + "<br>\r\n");
    m_file.Write("<table><tr>");
}

void GalleryPage::AddCell(const std::string& fileName, std::int64_t number)
{
    AddCell(fileName, std::string_view(std::to_string(number)));
}

void GalleryPage::AddCell(const std::string& fileName, std::string_view caption)
{
    std::string cell;
    cell.reserve(120);
    cell += "<td><center><a href=\"";
    cell += fileName;
    cell += "\"><img width=100 height=100 src=";
    cell += fileName;
    cell += "></a><br>";
    cell += HtmlEscape(caption);
    cell += "</center></td>";
    if (++m_cells % 6 == 0)
        cell += "</tr><tr>";
    m_file.Write(cell);
}

IoStatus GalleryPage::Close()
{
    m_file.Write("</table></body></html>");
    // A page that could not be put in place leaves the earlier one as it was.
    return m_file.Close();
}

IoStatus WriteSizesPage(const std::filesystem::path& file, std::string_view sequenceFile,
                        const std::vector<SizeGalleryLink>& galleries)
{
    OutputFile page(file);
    page.Write("<html><body><br>Sequence file: ");
    page.Write(HtmlEscape(sequenceFile));
    page.Write("<br>\r\n");
    page.Write("Galleries: " + std::to_string(galleries.size()) + "<br>\r\n");
    page.Write("<table>\r\n");
    for (const SizeGalleryLink& gallery : galleries) {
        const std::string repeats =
            gallery.repeats == 0 ? "no repeats"
                                 : std::to_string(gallery.repeats) + (gallery.repeats == 1 ? " repeat" : " repeats");
        page.Write("<tr><td><a href=\"" + HtmlEscape(gallery.folder) + "/index.htm\">Consensus size " +
                   std::to_string(gallery.size) + "</a></td><td>" + repeats + "</td></tr>\r\n");
    }
    page.Write("</table></body></html>");
    return page.Close();
}

} // namespace lirovane
